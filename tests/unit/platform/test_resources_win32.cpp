// On Win32 the pictures are resources of the test program itself (test_resources.rc).
#include "tests/unit/platform/canvas.h"

namespace melp::platform::test {

void useTestResources() noexcept {}

}  // namespace melp::platform::test
