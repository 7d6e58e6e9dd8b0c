// Points the headless backend at the pictures embedded from data/.
#include "platform/headless/headless.h"
#include "tests/unit/toolkit/toolkit_test.h"

namespace melp::embedded {
extern const platform::headless::EmbeddedResource toolkitTestResources[];
extern const std::size_t toolkitTestResourcesCount;
}  // namespace melp::embedded

namespace melp::toolkit::test {

void useToolkitTestResources() noexcept {
    platform::headless::useResources(embedded::toolkitTestResources,
                                     embedded::toolkitTestResourcesCount);
}

}  // namespace melp::toolkit::test
