#include "strgrid/t_strings.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"

namespace quillet {
namespace {

TEST(TStringList, AddInsertDeleteKeepOrderAndObjects) {
  TStringList list{"a", "b"};
  list.AddObject("c", 7);
  list.Insert(0, "z");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Strings(0), "z");
  EXPECT_EQ(list.Objects(3), 7);
  list.Delete(0);
  EXPECT_EQ(list.Strings(0), "a");
  EXPECT_EQ(list.IndexOf("c"), 2);
  EXPECT_EQ(list.IndexOf("q"), -1);
}

TEST(TStringList, BadIndexRaisesListError) {
  TStringList list{"a"};
  EXPECT_THROW(list.Strings(1), EListError);
  EXPECT_THROW(list.Insert(2, "x"), EListError);
  try {
    list.Delete(-1);
    FAIL();
  } catch (const EListError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds");
  }
}

TEST(TStringList, AddStringsCopiesTextsAndObjects) {
  TStringList source{"x", "y"};
  source.SetObjects(1, 42);
  TStringList target{"a"};
  target.AddStrings(source);
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(target.Strings(2), "y");
  EXPECT_EQ(target.Objects(2), 42);
  EXPECT_EQ(target.UpdateCount(), 0);
}

}  // namespace
}  // namespace quillet
