// The rotations' side of Quillon's main dialog: their buttons and mode
// radios, and what the rotations ask of the dialog.

#include "dialog/DataExchange.h"
#include "dialog/Gbk.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"

namespace quillon {

using dialog::gbk;

void QuillonMainDialog::onAreaRotationButton() { areaRotation_.onStartStop(fileRotation_.fileRotationRunning != 0); }

void QuillonMainDialog::onFileRotationButton() { fileRotation_.onStartStop(areaRotation_.areaRotationRunning != 0); }

void QuillonMainDialog::selectRotationMode(bool answerDriven)
{
    surface().enable(RotationPeriod, !answerDriven);
    surface().enable(AnswerTimeout, answerDriven);
    surface().enable(RetryCount, answerDriven);
    surface().setCheck(answerDriven ? TimedMode : AnswerMode, 0);
    rotation_.answerMode = answerDriven ? 1 : 0;
}

void QuillonMainDialog::onRotateOnce() { rotation_.rotateOnce = rotation_.rotateOnce ? 0 : 1; }

void QuillonMainDialog::onChooseRotationFile()
{
    dialog::FileDialogOptions options;
    options.filter = gbk("文本文件(*.txt)|*.txt||");
    options.defaultExt = ".txt";
    const auto path = surface().openFileDialog(options);
    if (!path || !fileRotation_.choose(*path))
        return;
    surface().setTitle(gbk("[Quillon 3.0AD] 发送文件 ") + *path);
    selectRotationMode(false);
    surface().setCheck(TimedMode, 1);
}

void QuillonMainDialog::sendLine(const std::vector<std::uint8_t>& bytes, const std::string& text)
{
    const std::optional<std::size_t> taken = writeFrame(bytes);
    if (!taken)
        return;
    traffic_.countSent(*taken);
    traffic_.echoSentText(text);
}

} // namespace quillon
