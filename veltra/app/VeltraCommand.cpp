// The command area: choosing a type, an address, a function or port and a
// parameter, the preview rebuilt after each change, and the send.

#include "veltra/app/VeltraMainDialog.h"

#include "dialog/Gbk.h"
#include "veltra/app/HexText.h"
#include "veltra/command/CommandFrame.h"

#include <span>

namespace veltra {

using command::CommandKind;
using dialog::gbk;

namespace {

// By explicit position: the combo styles sort appended entries, and the
// order of a list is what gives each entry its code.
template <class Entry>
void fillCaptions(dialog::ControlSurface& s, int id, std::span<const Entry> entries)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        s.insertItem(id, static_cast<int>(i), gbk(entries[i].caption));
}

bool inside(int pos, std::size_t size) { return pos >= 0 && static_cast<std::size_t>(pos) < size; }

} // namespace

void VeltraMainDialog::emptyParameterList()
{
    // Emptying a list also empties the edit part of the combo.
    surface().clearList(Parameter);
    surface().setText(Parameter, "");
}

void VeltraMainDialog::onCommandTypeSelected()
{
    dialog::ControlSurface& s = surface();
    for (int id : {ParameterLabel, Parameter, TemporaryChange})
        s.enable(id, true);
    s.clearList(Function);
    emptyParameterList();
    if (const command::CommandTypeEntry* type =
            command::typeEntryByCaption(dialog::fromGbk(s.selectedText(CommandType)))) {
        s.setText(FunctionLabel, gbk(type->functionLabel));
        fillCaptions(s, Function, type->functions);
        fillCaptions(s, Parameter, type->parameters);
        s.enable(ParameterLabel, type->parameterEnabled);
        s.enable(Parameter, type->parameterEnabled);
        s.enable(TemporaryChange, type->temporaryEnabled);
        commandType = type->kind;
    }
    buildCommandPreview(commandType);
}

void VeltraMainDialog::onDeviceAddressSelected()
{
    refreshFromControls();
    // By position: the edit part may still show the previous address.
    const int pos = surface().selection(DeviceAddress);
    const auto addresses = command::deviceAddresses();
    if (inside(pos, addresses.size()))
        deviceAddressText = addresses[static_cast<std::size_t>(pos)];
    buildCommandPreview(commandType);
}

void VeltraMainDialog::onDeviceAddressEdited()
{
    // A too-long address is reported by the read and still taken.
    refreshFromControls();
    buildCommandPreview(commandType);
}

void VeltraMainDialog::onFunctionSelected()
{
    refreshFromControls();
    // The output levels of device control are the same for every port.
    if (commandType == CommandKind::ParameterChange) {
        emptyParameterList();
        fillCaptions(surface(), Parameter, command::parameterChoices(commandType, surface().selection(Function)));
    }
    buildCommandPreview(commandType);
}

void VeltraMainDialog::onParameterSelected()
{
    refreshFromControls();
    const auto choices = command::parameterChoices(commandType, surface().selection(Function));
    const int pos = surface().selection(Parameter);
    if (inside(pos, choices.size()))
        parameterBytes = choices[static_cast<std::size_t>(pos)].bytes;
    buildCommandPreview(commandType);
}

void VeltraMainDialog::onParameterEdited()
{
    refreshFromControls();
    parameterBytes = parameterText; // unchecked: the frame counts what converts
    buildCommandPreview(commandType);
}

void VeltraMainDialog::onCommandOptionClicked() { buildCommandPreview(commandType); }

void VeltraMainDialog::buildCommandPreview(CommandKind type)
{
    dialog::ControlSurface& s = surface();
    command::FrameRequest request;
    request.kind = type;
    request.functionPos = s.selection(Function);
    request.temporary = s.check(TemporaryChange) != 0;
    request.crc = s.check(Crc16) != 0;
    request.address = deviceAddressText;
    request.parameter = parameterBytes;
    command::ComposedFrame frame = command::composeFrame(request);
    commandPreview = std::move(frame.text);
    commandTooLong_ = frame.tooLong;
    s.setText(CommandPreview, commandPreview);
}

void VeltraMainDialog::sendCommand()
{
    // The frame last built, as shown: the controls are not read again.
    if (!requireOpenPort())
        return;
    if (commandTooLong_) {
        surface().messageBox(gbk("指令超过100字节，没有发送！"), gbk("提示信息"), dialog::MessageIcon::Warning);
        return;
    }
    const std::vector<std::uint8_t> bytes = parseHexText(commandPreview);
    write(bytes.data(), bytes.size());
    countSent(static_cast<std::int64_t>(bytes.size()));
}

} // namespace veltra
