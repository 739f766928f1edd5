#pragma once
// Control ids of Veltra's main window template (102) and about box (100),
// and the other fixed numbers the window and its logic share.

#include "dialog/CommonIds.h"

namespace veltra {

enum Id : int {
    // port settings
    PortList = 1000,
    BaudList = 1001,
    DataBitsList = 1002,
    ParityList = 1003,
    StopBitsList = 1004,
    FlowList = 1005,
    ConnectButton = 1011,

    // receive
    ReceiveArea = 1006,
    ReceiveHex = 1007,
    ReceiveTime = 1082,
    BurstNewline = 1035,
    AutoClear = 1039,
    ClearReceive = 1009,
    Save = 1008,

    // send
    SendArea = 1010,
    SendHex = 1012,
    AppendNewline = 1081,
    TimedSend = 1017,
    Period = 1018,
    SendButton = 1013,
    ClearSend = 1014,
    Quick1Hex = 1098,
    Quick1Text = 1099,
    Quick1Send = 1100,
    Quick2Hex = 1101,
    Quick2Text = 1102,
    Quick2Send = 1103,
    Quick3Hex = 1104,
    Quick3Text = 1105,
    Quick3Send = 1106,

    // command area
    CommandType = 1107,
    DeviceAddress = 1108,
    Function = 1109,
    FunctionLabel = 1117,
    Parameter = 1112,
    ParameterLabel = 1116,
    TemporaryChange = 1113,
    CommandPreview = 1114,
    Crc16 = 1115,
    SendCommand = 1111,

    // status line
    StatusFrame = 1083,
    ProductCaption = 1086,
    StatusCaption = 1087,
    StatusText = 1077,
    ReceivedCaption = 1088,
    ReceivedCount = 1076,
    SentCaption = 1089,
    SentCount = 1075,
    WebAddress = 1090,
};

/// Window timers.
enum Timer : int { PollTimer = 0, SendTimer = 1, WatchTimer = 2, ConnectTimer = 3 };

/// The maker's web address (window title, initial send text) and as the
/// status line shows it.
inline constexpr const char* kWebAddress = "www.example.com";
inline constexpr const char* kWebAddressUpper = "WWW.EXAMPLE.COM";

using dialog::IdCancel;
using dialog::IdOk;
using dialog::kAboutCommand;
using dialog::kAutoReconnectCommand;

} // namespace veltra
