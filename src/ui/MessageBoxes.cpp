// Every box gets an Escape button, so a box closed without a click still gives a
// defined answer. The scripted answer is the engine's own, so the desktop's
// auto-answer and the headless host answer every box alike and print the same
// one-line transcript.
#include "ui/MessageBoxes.h"

#include "ui/WindowTexts.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

#include <cstring>

namespace vedra::ui {
namespace {

using app::MessageAnswer;
using app::MessageButtons;

} // namespace

MessageAnswer runMessageBox(QWidget* parent, const std::string& text, MessageButtons buttons, const std::string& title,
                            int languageIndex)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setIcon(buttons == MessageButtons::Ok ? QMessageBox::Information : QMessageBox::Question);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    if (languageIndex >= 0) {
        // "OK" and "No" read the same in the three languages.
        if (QAbstractButton* yes = box.button(QMessageBox::Yes))
            yes->setText(caption(captions::kYesButton, languageIndex));
        if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
            cancel->setText(caption(captions::kCancelButton, languageIndex));
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: break;
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

MessageAnswer scriptedAnswer(MessageButtons buttons, bool accept)
{
    return app::ScriptedAnswer(buttons, accept);
}

MessageResponder autoAnswerResponder(const char* setting, std::ostream& out)
{
    if (setting == nullptr)
        return {};
    bool accept = std::strcmp(setting, "accept") == 0;
    if (!accept && std::strcmp(setting, "reject") != 0)
        return {};
    return [accept, &out](const std::string& text, MessageButtons buttons) {
        MessageAnswer answer = scriptedAnswer(buttons, accept);
        out << text;
        if (buttons != MessageButtons::Ok)
            out << " [" << app::AnswerName(answer) << ']';
        out << '\n';
        out.flush();
        return answer;
    };
}

} // namespace vedra::ui
