#pragma once
// TQtClipboard: the system clipboard behind the grid's TClipboard, for grids shown in a Qt
// window (strgrid/grid_widget.h). Texts cross it as plain
// text: the grid's 8-bit code-page bytes are decoded to Unicode when put on the clipboard
// and the clipboard's Unicode text is encoded back to the code page when read (characters
// the code page cannot hold become its substitute character). Needs a QGuiApplication.

#include "strgrid/grid_clipboard.h"

namespace quillet {

class TQtClipboard final : public TClipboard {
 public:
  // Whether the system clipboard offers plain text.
  bool HasText() const override;
  // The clipboard's plain text in the code page, up to its first NUL; "" without text.
  std::string Text() const override;
  // Puts `text` (code-page bytes) on the clipboard as plain text.
  void SetText(std::string_view text) override;
};

// Installs one TQtClipboard as the process's default clipboard (grid_clipboard.h) for the
// lifetime of the returned object, then puts back the one installed before.
class TQtClipboardInstaller {
 public:
  TQtClipboardInstaller() : before_(SetDefaultClipboard(&clipboard_)) {}
  ~TQtClipboardInstaller() { SetDefaultClipboard(before_); }
  TQtClipboardInstaller(const TQtClipboardInstaller&) = delete;
  TQtClipboardInstaller& operator=(const TQtClipboardInstaller&) = delete;

 private:
  TQtClipboard clipboard_;
  TClipboard* before_;
};

}  // namespace quillet
