// Points the Linux backends (headless, X11) at the pictures embedded from data/.
#include "platform/raster/raster.h"
#include "tests/unit/toolkit/toolkit_test.h"

namespace melp::embedded {
extern const platform::raster::EmbeddedResource toolkitTestResources[];
extern const std::size_t toolkitTestResourcesCount;
}  // namespace melp::embedded

namespace melp::toolkit::test {

void useToolkitTestResources() noexcept {
    platform::raster::useResources(embedded::toolkitTestResources,
                                     embedded::toolkitTestResourcesCount);
}

}  // namespace melp::toolkit::test
