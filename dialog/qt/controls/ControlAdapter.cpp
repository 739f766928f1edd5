#include "dialog/qt/controls/ControlAdapter.h"

#include "dialog/qt/controls/ButtonControls.h"
#include "dialog/qt/controls/EditControls.h"
#include "dialog/qt/controls/ListControls.h"
#include "dialog/qt/controls/StaticControls.h"
#include "dialog/qt/controls/ViewControls.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace dialog::qt {

void setAccessibleNames(QWidget* w, const QString& name)
{
    w->setAccessibleName(name);
    if (auto* box = qobject_cast<QComboBox*>(w); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
}

std::unique_ptr<ControlAdapter> createControl(const ControlTemplate& c, QWidget* parent, ControlHost& host,
                                              QButtonGroup*& radioGroup)
{
    switch (c.kind) {
    case ControlKind::Label: return std::make_unique<LabelControl>(c, parent, host);
    case ControlKind::Picture: return std::make_unique<PictureControl>(c, parent);
    case ControlKind::Edit: return std::make_unique<LineEditControl>(c, parent, host);
    case ControlKind::MultiLineEdit:
        if (c.styles & style::Log)
            return std::make_unique<LogViewControl>(c, parent, host);
        return std::make_unique<MultiLineEditControl>(c, parent, host);
    case ControlKind::RichView: return std::make_unique<LogViewControl>(c, parent, host);
    case ControlKind::DropList:
    case ControlKind::ComboBox: return std::make_unique<ListControl>(c, parent);
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: return std::make_unique<CheckableControl>(c, parent, radioGroup);
    case ControlKind::GroupBox: return std::make_unique<GroupBoxControl>(c, parent);
    case ControlKind::Button:
    case ControlKind::OwnerDrawButton: return std::make_unique<ButtonControl>(c, parent);
    case ControlKind::HorizontalRule: return std::make_unique<ControlAdapter>(c.id, new RuleWidget(parent));
    case ControlKind::Icon: {
        // The application's icon is the program's: every window shows it.
        auto* w = new QLabel(parent);
        w->setPixmap(QApplication::windowIcon().pixmap(QSize(c.rect.w, c.rect.h)));
        w->setAccessibleName(QApplication::applicationDisplayName());
        return std::make_unique<ControlAdapter>(c.id, w);
    }
    case ControlKind::Frame: {
        auto* w = new QFrame(parent);
        w->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return std::make_unique<ControlAdapter>(c.id, w);
    }
    }
    return std::make_unique<ControlAdapter>(c.id, new QWidget(parent));
}

} // namespace dialog::qt
