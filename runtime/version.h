#pragma once
// The version of the programs: the one number of the build, handed in by CMake from its
// project(VERSION ...) when this unit is compiled.

namespace quillet {

// The version, such as "1.2".
const char* Version();

// When an argument before any "--" is "--version", prints "<program> <version>" and a
// newline on stdout and returns true; otherwise prints nothing and returns false.
bool PrintVersionIfAsked(int argc, char** argv, const char* program);

}  // namespace quillet
