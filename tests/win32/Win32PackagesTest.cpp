// Package discovery on the Windows file system's own rule for names.
#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"
#include "grid/Grid.h"

namespace fd::test {
namespace {

// Windows keeps one file per name whatever its letter case: a package written again under
// another case is the same package, listed once under the name it was first given. (A POSIX
// folder can hold both names side by side, and both would be listed there.)
TEST(Win32DiscoveryCase, ANameInAnotherCaseIsTheSamePackage) {
  UpdaterFixture f;
  f.writeFile(f.act() + "CRM_1_9_3_a.rar", "uno");
  f.writeFile(f.act() + "crm_1_9_3_A.RAR", "dos");
  frmActualiza1& w = f.started();
  ASSERT_EQ(w.flxRar.Rows(), 2);
  EXPECT_EQ(w.flxRar.TextMatrix(1, 1), "CRM_1_9_3_a.rar");
  EXPECT_EQ(f.readFile(f.act() + "CRM_1_9_3_a.rar"), "dos");
}

}  // namespace
}  // namespace fd::test
