// The command area: choosing a type, an address, a function or port and a
// parameter, the preview rebuilt after each change, and the send.

#include "veltra/app/VeltraMainDialog.h"

#include "dialog/Gbk.h"
#include "veltra/command/CommandFrame.h"

#include <span>

namespace veltra {

using command::CommandKind;
using dialog::gbk;

namespace {

// By explicit position: the combo styles sort appended entries, and the
// order of a list is what gives each entry its code.
template <class Entry> void fillCaptions(dialog::ControlSurface& s, int id, std::span<const Entry> entries)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        s.insertItem(id, static_cast<int>(i), gbk(entries[i].caption));
}

bool inside(int pos, std::size_t size) { return pos >= 0 && static_cast<std::size_t>(pos) < size; }

std::string commandProblemText(const command::ComposedFrame& frame, const command::FrameRequest& request)
{
    switch (frame.problem) {
    case command::FrameProblem::NoAddress: return gbk("请选择或填入设备地址");
    case command::FrameProblem::AddressText: return gbk("设备地址") + hexFaultText(request.address, frame.fault);
    case command::FrameProblem::AddressLength:
        return gbk("设备地址应为") + std::to_string(command::kAddressBytes) + gbk("个字节，现在是") +
               std::to_string(frame.addressSize) + gbk("个");
    case command::FrameProblem::ParameterText: return gbk("参数") + hexFaultText(request.parameter, frame.fault);
    case command::FrameProblem::None: break;
    }
    return {};
}

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
    const auto types = command::commandTypes();
    if (const int pos = s.selection(CommandType); inside(pos, types.size())) {
        const command::CommandTypeEntry* type = &types[static_cast<std::size_t>(pos)];
        s.setText(FunctionLabel, gbk(type->functionLabel));
        fillCaptions(s, Function, type->functions);
        fillCaptions(s, Parameter, type->parameters);
        s.enable(ParameterLabel, type->parameterEnabled);
        s.enable(Parameter, type->parameterEnabled);
        s.enable(TemporaryChange, type->temporaryEnabled);
        commandType_ = type->kind;
    }
    buildCommandPreview(commandType_);
}

void VeltraMainDialog::onDeviceAddressSelected()
{
    refreshFromControls();
    // By position: the edit part may still show the previous address.
    const int pos = surface().selection(DeviceAddress);
    const auto addresses = command::deviceAddresses();
    if (inside(pos, addresses.size()))
        bound_.deviceAddressText = addresses[static_cast<std::size_t>(pos)];
    buildCommandPreview(commandType_);
}

void VeltraMainDialog::onDeviceAddressEdited()
{
    // A too-long address is reported by the read and still taken.
    refreshFromControls();
    buildCommandPreview(commandType_);
}

void VeltraMainDialog::onFunctionSelected()
{
    refreshFromControls();
    // The output levels of device control are the same for every port.
    if (commandType_ == CommandKind::ParameterChange) {
        emptyParameterList();
        fillCaptions(surface(), Parameter, command::parameterChoices(commandType_, surface().selection(Function)));
    }
    buildCommandPreview(commandType_);
}

void VeltraMainDialog::onParameterSelected()
{
    refreshFromControls();
    const auto choices = command::parameterChoices(commandType_, surface().selection(Function));
    const int pos = surface().selection(Parameter);
    if (inside(pos, choices.size()))
        parameterBytes_ = choices[static_cast<std::size_t>(pos)].bytes;
    buildCommandPreview(commandType_);
}

void VeltraMainDialog::onParameterEdited()
{
    refreshFromControls();
    parameterBytes_ = bound_.parameterText; // the frame refuses what is not hex
    buildCommandPreview(commandType_);
}

void VeltraMainDialog::onCommandOptionClicked() { buildCommandPreview(commandType_); }

void VeltraMainDialog::buildCommandPreview(CommandKind type)
{
    dialog::ControlSurface& s = surface();
    command::FrameRequest request;
    request.kind = type;
    request.functionPos = s.selection(Function);
    request.temporary = s.check(TemporaryChange) != 0;
    request.crc = s.check(Crc16) != 0;
    request.address = bound_.deviceAddressText;
    request.parameter = parameterBytes_;
    command::ComposedFrame frame = command::composeFrame(request);
    commandFrame_ = std::move(frame.bytes);
    commandRefusal_.clear();
    if (frame.problem != command::FrameProblem::None) {
        // The preview says what is wrong in place of a frame.
        bound_.commandPreview = commandProblemText(frame, request);
        commandRefusal_ = bound_.commandPreview + gbk("，没有发送！");
    } else {
        bound_.commandPreview = std::move(frame.text);
        if (frame.tooLong)
            commandRefusal_ = gbk("指令超过100字节，没有发送！");
    }
    s.setText(CommandPreview, bound_.commandPreview);
}

void VeltraMainDialog::sendCommand()
{
    // The frame last built, as shown: the controls are not read again.
    if (!requireOpenPort())
        return;
    if (!commandRefusal_.empty()) {
        showNotice(commandRefusal_);
        return;
    }
    write(commandFrame_.data(), commandFrame_.size());
    countSent(static_cast<std::int64_t>(commandFrame_.size()));
}

} // namespace veltra
