// The narrow interface the engine needs from a front end: the stand-in for the
// window, its message queue and the Escape key. The Qt main window implements it;
// tests and the `vedra` command use HeadlessHost.
#pragma once

#include <string>

namespace vedra::app {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class Host {
public:
    virtual ~Host() = default;

    // Drains the front end's pending events once. Returns true when Escape was
    // pressed since the last call; that key press is swallowed, not passed on.
    virtual bool drainEvents() = 0;

    // Shows a modal message and returns the button chosen. Text is UTF-8 except
    // for embedded file names, which are raw bytes.
    virtual MessageAnswer messageBox(const std::string& text, MessageButtons buttons) = 0;
    // The same with a title of its own (an archive's name, "Vedra:Estrai"); a front
    // end that has no titles shows the text alone.
    virtual MessageAnswer titledMessageBox(const std::string& title, const std::string& text, MessageButtons buttons)
    {
        (void)title;
        return messageBox(text, buttons);
    }

    virtual void setTitle(const std::string& title) = 0;
    virtual void setStatus(const std::string& text) = 0;
    // A line to read, not to answer: what a search looked for when it was not what
    // was typed. A front end without a place of its own shows it as the status.
    virtual void showNotice(const std::string& text) { setStatus(text); }
    virtual void setProgressRange(int low, int high) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void setWaitCursor(bool on) = 0;
};

// True for the answers that accept a question (OK, Yes).
inline bool isAccepted(MessageAnswer answer)
{
    return answer == MessageAnswer::Ok || answer == MessageAnswer::Yes;
}

// The answer a script gives without asking: OK for a plain message; for a question
// OK/Yes when accepting, else Cancel/No (Cancel when offered).
inline MessageAnswer ScriptedAnswer(MessageButtons buttons, bool accept)
{
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::OkCancel: return accept ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageButtons::YesNo: return accept ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageButtons::YesNoCancel: return accept ? MessageAnswer::Yes : MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

// "OK", "Cancel", "Yes", "No", as echoed after a scripted question.
inline const char* AnswerName(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Ok: return "OK";
    case MessageAnswer::Cancel: return "Cancel";
    case MessageAnswer::Yes: return "Yes";
    case MessageAnswer::No: return "No";
    }
    return "";
}

} // namespace vedra::app
