#pragma once
// The semantics every ControlSurface shares, run over each surface: the
// in-memory one the logic's tests use and the Qt window, so that the two
// cannot drift apart. A binary instantiates the suite with a factory of
// its surface:
//   INSTANTIATE_TEST_SUITE_P(Memory, SurfaceContract, ::testing::Values(SurfaceKind{"memory", &make}));

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace dialog::contract {

/// Ids of sampleWindow(): one control of each kind.
// clang-format off
enum SampleId : int {
    Caption = 10, Picture, Edit, Number, Lines, Rich, List, Check, RadioA, RadioB, RadioC, Group, Push, Drawn,
    Rule, Sunken, Combo, Counter,
};
// clang-format on

/// Commands of sampleWindow()'s menu: a plain entry and a checkable one.
inline constexpr int kPlainEntry = 16, kCheckEntry = 32;

/// A window with one control of each kind (two radio groups, a number
/// edit, a read-only edit, a disabled picture and a hidden frame); the
/// lists hold items.
WindowTemplate sampleWindow();

/// A surface built from sampleWindow(), with what the contract needs
/// beyond the surface itself: the user's actions and the timer state.
class SurfaceUnderTest {
public:
    virtual ~SurfaceUnderTest() = default;
    virtual ControlSurface& surface() = 0;
    /// The user types ASCII text at the caret of an edit.
    virtual void userTypes(int id, const std::string& ascii) = 0;
    /// The user puts the caret of an edit after the first bytes of its
    /// text (a whole number of characters).
    virtual void userPlacesCaret(int id, int bytes) = 0;
    /// Whether timer id ticks now.
    virtual bool ticking(int id) const = 0;
    /// What the surface handed its logic so far, once what it queued ran.
    virtual std::vector<std::pair<int, Notification>> notifications() = 0;
    /// The check mark a menu entry shows; nullopt when it shows none.
    virtual std::optional<bool> menuCheck(int command) = 0;
};

/// The suite's parameter; the name shows in the test names.
struct SurfaceKind {
    const char* name;
    std::unique_ptr<SurfaceUnderTest> (*make)();
    friend std::ostream& operator<<(std::ostream& os, const SurfaceKind& k) { return os << k.name; }
};

class SurfaceContract : public ::testing::TestWithParam<SurfaceKind> {
protected:
    static std::unique_ptr<SurfaceUnderTest> make() { return GetParam().make(); }
};

} // namespace dialog::contract
