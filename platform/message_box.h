// Modal message boxes with text, title, icon and OK or Yes/No buttons.
#pragma once

#include <QString>

class QWidget;

namespace platform {

class MessageBox
{
public:
    enum class Icon { None, Exclamation, Critical };
    enum class Buttons { Ok, YesNo };
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
