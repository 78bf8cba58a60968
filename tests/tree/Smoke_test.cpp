#include "tree/Extree.h"
#include <gtest/gtest.h>
TEST(Smoke, Builds) { TExTreeModel m; auto* a = m.Items()->Add(nullptr, "a"); EXPECT_EQ(a->Text(), "a"); }
