// Modal message boxes with text, title, icon and OK or Yes/No buttons.
#pragma once

#include <QString>

class QWidget;

namespace platform {

class MessageBox
{
public:
    enum class Icon { None, Exclamation, Critical };
    // YesNo: Yes is the default button; NoYes: the same buttons, No the default (for a
    // question whose careless answer must not be yes).
    enum class Buttons { Ok, YesNo, NoYes };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBox() = default;
    virtual Answer show(QWidget *parent, const QString &text, const QString &title, Icon icon,
                        Buttons buttons) = 0;
};

class QtMessageBox : public MessageBox
{
public:
    Answer show(QWidget *parent, const QString &text, const QString &title, Icon icon,
                Buttons buttons) override;
};

} // namespace platform
