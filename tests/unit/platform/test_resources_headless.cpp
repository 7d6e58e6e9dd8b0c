// Points the headless backend at the pictures embedded from data/.
#include "platform/headless/headless.h"
#include "tests/unit/platform/canvas.h"

namespace melp::embedded {
extern const platform::headless::EmbeddedResource platformTestResources[];
extern const std::size_t platformTestResourcesCount;
}  // namespace melp::embedded

namespace melp::platform::test {

void useTestResources() noexcept {
    headless::useResources(embedded::platformTestResources,
                           embedded::platformTestResourcesCount);
}

}  // namespace melp::platform::test
