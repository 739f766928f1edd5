#pragma once
// Answering the modal boxes a window test raises: the box runs its own
// event loop, so the answer comes from a timer polling for it.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>

namespace dialog::qt::testing {

/// Calls answer(box) once a modal widget of type W is up and ready(box)
/// holds; after about two seconds with it up answers anyway, so that a
/// fault fails instead of hanging.
template <class W> void whenModal(const std::function<bool()>& ready, const std::function<void(W*)>& answer)
{
    auto* poll = new QTimer;
    auto attempts = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* modal = qobject_cast<W*>(QApplication::activeModalWidget());
        ++*attempts;
        if (modal && (ready() || *attempts > 400)) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start(5);
}

/// Answers the next message box with OK and keeps what it said.
struct MessageCatcher {
    QString text;
    QString title;
    void arm()
    {
        whenModal<QMessageBox>([] { return true; },
                               [this](QMessageBox* box) {
                                   text = box->text();
                                   title = box->windowTitle();
                                   box->accept();
                               });
    }
};

} // namespace dialog::qt::testing
