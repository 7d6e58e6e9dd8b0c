// On Win32 the pictures are resources of the test program itself (data/test_resources.rc).
#include "tests/unit/toolkit/toolkit_test.h"

namespace melp::toolkit::test {

void useToolkitTestResources() noexcept {}

}  // namespace melp::toolkit::test
