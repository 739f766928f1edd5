#pragma once
// The vocabulary of the module protocol: command types, device addresses,
// functions and ports with the codes they put into a frame, and the
// parameter choices with the bytes they stand for. Captions are UTF-8;
// the window converts them where it fills its lists. No Qt, no window.

#include <cstdint>
#include <span>
#include <string_view>

namespace veltra::command {

/// A command type by its position in the type list; None until the user
/// first chooses one.
enum class CommandKind : int {
    None = -1,
    DataQuery = 0,
    ParameterQuery = 1,
    DeviceControl = 2,
    ParameterChange = 3,
};

/// One entry of a parameter list and the hex text of the bytes it stands
/// for ("04", "50 70", "00 00 00 05").
struct ParameterChoice {
    const char* caption;
    const char* bytes;
};

/// One entry of a function (or port) list and the code it puts into a frame.
struct FunctionEntry {
    const char* caption;
    std::uint8_t code;
    /// What choosing it offers in the parameter list (parameter change
    /// only); empty: the value is typed.
    std::span<const ParameterChoice> parameters = {};
};

struct CommandTypeEntry {
    CommandKind kind;
    const char* caption;
    std::uint8_t typeCode;     // the frame's first byte
    const char* functionLabel; // "功能" or "端口"
    bool parameterEnabled;     // the parameter list and its label
    bool temporaryEnabled;     // the "临时修改" box
    std::span<const FunctionEntry> functions;
    std::uint8_t noSelectionCode; // the code while no function is chosen
    /// Filled into the parameter list when the type is chosen (device
    /// control's output levels); empty for the others.
    std::span<const ParameterChoice> parameters;
};

/// The four types, in the order of the type list.
std::span<const CommandTypeEntry> commandTypes();

/// The entry of a type; nullptr for None.
const CommandTypeEntry* typeEntry(CommandKind kind);

/// The six addresses of the address list, in order.
std::span<const char* const> deviceAddresses();

/// The code of the function at position pos (-1: none chosen) of a type's
/// list; a position outside the list counts as none chosen. 0 for None.
std::uint8_t functionCode(CommandKind kind, int pos);

/// What the parameter list holds after choosing function functionPos of a
/// type: the type's own list, or for parameter change the function's.
std::span<const ParameterChoice> parameterChoices(CommandKind kind, int functionPos);

} // namespace veltra::command
