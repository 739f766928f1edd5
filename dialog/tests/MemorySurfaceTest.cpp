// The surface contract over the in-memory surface.

#include "dialog/testing/MemorySurface.h"
#include "dialog/tests/SurfaceContract.h"

namespace dialog::contract {
namespace {

class InMemory : public SurfaceUnderTest {
public:
    ControlSurface& surface() override { return s_; }
    void userTypes(int id, const std::string& ascii) override
    {
        std::string text = s_.text(id);
        const int caret = s_.selectionStart(id);
        text.insert(static_cast<std::size_t>(caret), ascii);
        s_.userEdit(id, text, caret + static_cast<int>(ascii.size()));
    }
    void userPlacesCaret(int id, int bytes) override { s_.controls[id].caret = bytes; }
    bool ticking(int id) const override { return s_.ticking(id); }
    // The in-memory surface tells its logic nothing by itself.
    std::vector<std::pair<int, Notification>> notifications() override { return {}; }

private:
    testing::MemorySurface s_{sampleWindow()};
};

std::unique_ptr<SurfaceUnderTest> makeInMemory() { return std::make_unique<InMemory>(); }

INSTANTIATE_TEST_SUITE_P(MemorySurface, SurfaceContract, ::testing::Values(SurfaceKind{"memory", &makeInMemory}));

} // namespace
} // namespace dialog::contract
