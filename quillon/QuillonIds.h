#pragma once
// Control ids of the main window's template, and the other fixed numbers
// the window and its logic share. Above app/, send/ and receive/, so that
// the parts reach them without reaching into the dialog's folder.

#include "dialog/CommonIds.h"

namespace quillon {

enum Id : int {
    // port settings
    Baud = 2000,
    DataBits = 2001,
    Parity = 2002,
    StopBits = 2003,
    PortList = 2040,
    OpenButton = 1003,
    StatusLamp = 1004,

    // receive view and options
    ReceiveView = 1054,
    KeywordFilter = 1005,
    Keyword = 1006,
    RxHex = 1009,
    ClearView = 1010,
    DisplayToggle = 1011,
    AutoClear = 1014,
    SaveToggle = 1015,
    ChangeFile = 1016,
    LogPath = 1017,
    FrameNewline = 1020,
    ShowTimestamp = 1023,
    ShowSent = 1066,

    // counters and lamps
    TxFrames = 1062,
    RxFrames = 1063,
    TxBytes = 1064,
    RxBytes = 1065,
    ClearCounters = 1067,
    TrafficLamps = 1056,
    About = 1073,
    TopmostToggle = 1074,

    // send areas 1, 2, 3
    Area1Text = 1002,
    Area2Text = 1007,
    Area3Text = 1008,
    Area1Hex = 1024,
    Area2Hex = 1027,
    Area3Hex = 1033,
    Area1Auto = 1025,
    Area2Auto = 1029,
    Area3Auto = 1034,
    Area1Period = 1026,
    Area2Period = 1030,
    Area3Period = 1037,
    Area1TakesPart = 1035,
    Area2TakesPart = 1036,
    Area3TakesPart = 1038,
    Area1Send = 1018,
    Area2Send = 1021,
    Area3Send = 1022,
    Area1Clear = 1044,
    Area2Clear = 1045,
    Area3Clear = 1046,
    Area1Checksum = 1040,
    Area2Checksum = 1041,
    Area3Checksum = 1042,
    Area1Label = 1076,
    Area2Label = 1077,
    Area3Label = 1078,
    SendGroup = 1075,
    Area1Group = 1087,
    Area2Group = 1088,
    Area3Group = 1089,
    // labels of the lower block, named so that the maximized layout can move them
    Area1PeriodLabel = 1079,
    Area2PeriodLabel = 1080,
    Area3PeriodLabel = 1081,
    Area1PeriodUnit = 1082,
    Area2PeriodUnit = 1083,
    Area3PeriodUnit = 1084,

    // rotations
    RotationGroup = 1086,
    RotateOnce = 1031,
    RotationPeriod = 1028,
    RotationPeriodLabel = 1085,
    RotationPeriodUnit = 1091,
    TimedMode = 1032,
    AnswerMode = 1043,
    AnswerTimeout = 1068,
    AnswerTimeoutLabel = 1092,
    AnswerTimeoutUnit = 1093,
    RetryCount = 1069,
    RetryCountLabel = 1090,
    AreaRotationButton = 1039,
    ChooseFile = 1060,
    FileRotationButton = 1061,
    FileLineCount = 1071,
    FileCurrentLine = 1072,
    FileLineCountLabel = 1094,
    FileCurrentLineLabel = 1095,
};

/// Timers of the main window.
enum Timer : int { MainTick = 1, LampTick = 2, PortWatch = 3, PortConnect = 4 };

using dialog::IdCancel;
using dialog::IdOk;
using dialog::kAboutCommand;
using dialog::kAutoReconnectCommand;

/// The templates of the about box and the checksum dialog.
inline constexpr int kAboutTemplate = 100;
inline constexpr int kChecksumTemplate = 129;

/// Radio buttons of the checksum dialog: kChecksumFirstRadio + a position
/// in kChecksumList (quillon/send/Checksum.h).
inline constexpr int kChecksumFirstRadio = 1100;
inline constexpr int kChecksumGroup = 1110;

} // namespace quillon
