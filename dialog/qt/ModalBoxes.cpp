// The modal boxes of a DialogWindow: message boxes, file dialogs and modal
// child windows. Each runs a nested event loop, inside which the window's
// timers keep ticking.

#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/DialogWindowTicks.h"
#include "dialog/qt/TextConvert.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <vector>

namespace dialog::qt {

// Qt fires no timer again while its own timeout slot runs, so a box opened
// inside a tick would hold that timer's ticks until it closed. For as long
// as a box is open, a stand-in timer ticks for each timer whose tick is
// running; an idle window pays nothing for it.
class DialogWindow::StandInTicks {
public:
    explicit StandInTicks(DialogWindow& w)
    {
        TickScheduler& ticks = w.pacing_->ticks;
        for (const TickScheduler::StandIn& s : ticks.standIns()) {
            auto timer = std::make_unique<QTimer>();
            timer->setTimerType(Qt::PreciseTimer);
            // A stop or a restart ends the stand-in: a timer restarted
            // inside its tick is a new timer to Qt, and fires by itself.
            QObject::connect(timer.get(), &QTimer::timeout, &w, [&ticks, s] { ticks.standInFired(s); });
            timer->start(s.ms);
            standIns_.push_back(std::move(timer));
        }
    }
    StandInTicks(const StandInTicks&) = delete;
    StandInTicks& operator=(const StandInTicks&) = delete;

private:
    std::vector<std::unique_ptr<QTimer>> standIns_;
};

MessageAnswer DialogWindow::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                       MessageButtons buttons, const std::string& detail)
{
    QMessageBox box(this);
    box.setWindowTitle(fromSurface(caption));
    box.setTextFormat(Qt::PlainText); // "<COM1>" is text, not a tag
    box.setText(fromSurface(text));
    // In the box itself, not behind a "details" button: a short reason the
    // user should read at once.
    if (!detail.empty())
        box.setInformativeText(fromSurface(detail));
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    }

    std::vector<std::pair<QAbstractButton*, MessageAnswer>> answers;
    auto add = [&](const char* utf8, QMessageBox::ButtonRole role, MessageAnswer answer) {
        QPushButton* b = box.addButton(QString::fromUtf8(utf8), role);
        answers.emplace_back(b, answer);
        return b;
    };
    MessageAnswer onEscape = MessageAnswer::Ok;
    switch (buttons) {
    case MessageButtons::Ok:
        box.setDefaultButton(add("确定", QMessageBox::AcceptRole, MessageAnswer::Ok));
        box.setEscapeButton(answers.back().first);
        break;
    case MessageButtons::OkCancel:
        box.setDefaultButton(add("确定", QMessageBox::AcceptRole, MessageAnswer::Ok));
        box.setEscapeButton(add("取消", QMessageBox::RejectRole, MessageAnswer::Cancel));
        onEscape = MessageAnswer::Cancel;
        break;
    case MessageButtons::YesNo:
        box.setDefaultButton(add("是", QMessageBox::YesRole, MessageAnswer::Yes));
        box.setEscapeButton(add("否", QMessageBox::NoRole, MessageAnswer::No));
        onEscape = MessageAnswer::No;
        break;
    }

    StandInTicks ticks(*this);
    box.exec();
    for (const auto& [button, answer] : answers)
        if (box.clickedButton() == button)
            return answer;
    return onEscape;
}

std::string DialogWindow::fileDialog(const FileDialogOptions& options, bool save, bool& chosen)
{
    QFileDialog dialog(this, fromSurface(options.title));
    // The Qt dialog works on every platform plugin, also without a portal.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Like the open dialog this models, the chosen file need not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (save && !options.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFiltersFrom(fromSurface(options.filter));
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    const QString ext = fromSurface(options.defaultExt);
    if (!ext.isEmpty())
        dialog.setDefaultSuffix(ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : ext);
    // Set, the folder wins over the one the toolkit remembers from earlier
    // dialogs and runs.
    if (!options.initialFolder.empty())
        dialog.setDirectory(fromSurface(options.initialFolder));
    if (!options.initialName.empty())
        dialog.selectFile(fromSurface(options.initialName));

    StandInTicks ticks(*this);
    chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (!chosen)
        return {};
    return toSurface(withDefaultExtension(dialog.selectedFiles().constFirst(), ext));
}

std::optional<std::string> DialogWindow::openFileDialog(const FileDialogOptions& options)
{
    bool chosen = false;
    std::string path = fileDialog(options, false, chosen);
    if (!chosen)
        return std::nullopt;
    return path;
}

std::optional<std::string> DialogWindow::saveFileDialog(const FileDialogOptions& options)
{
    bool chosen = false;
    std::string path = fileDialog(options, true, chosen);
    if (!chosen)
        return std::nullopt;
    return path;
}

int DialogWindow::runModal(const WindowTemplate& layout, DialogLogic& logic)
{
    DialogWindow child(layout, logic, this);
    StandInTicks ticks(*this);
    return child.exec();
}

void DialogWindow::endDialog(int code) { finish(code); }

} // namespace dialog::qt
