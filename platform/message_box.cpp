#include "platform/message_box.h"

#include "platform/termination.h"

#include <QMessageBox>

namespace platform {

MessageBox::Answer QtMessageBox::show(QWidget *parent, const QString &text, const QString &title,
                                      Icon icon, Buttons buttons)
{
    // While the program ends, nobody is asked: the answer is the one that changes nothing.
    if (endRequested())
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (buttons != Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

} // namespace platform
