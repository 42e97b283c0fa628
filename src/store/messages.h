#pragma once
// Every message box of both programs goes through messageBox(), so that an
// end-to-end test can read what was shown and answer it, while a person sees
// a real box with the right icon, title and text.
//
// Test hooks (environment):
//   KELVRA_MESSAGE_LOG      file; each box appends one line
//                           "<icon>|<title>|<text>" before it is shown, where <icon> is
//                           none, information, exclamation, critical or question, <title>
//                           the title shown (the program title when none was given), and
//                           in <text> a CR is written as \r and a LF as \n (other
//                           characters, backslashes included, as they are).
//   KELVRA_MESSAGE_ANSWERS  file of scripted answers, one per line ("ok", "cancel",
//                           "yes", "no", "abort", "retry", "ignore"), consumed in order;
//                           when set, no box is shown and the next answer is returned
//                           (an exhausted or missing file, or an answer that is not one
//                           of the box's buttons, answers the default button: the first
//                           one, Ok, Yes, Abort or Retry, unless the options name another).
//                           Consumed answers are removed from the file, so several
//                           processes can share one script.

#include <utility>

#include <QString>

namespace store {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };
// Which of the box's buttons, in the order MsgButtons names them, is the
// default one (what Enter presses). A position the box does not have means
// the first button.
enum class MsgDefault { First, Second, Third };

struct MsgOptions {
    MsgOptions() = default;
    // Lets callers write {MsgButtons::YesNo, MsgIcon::Question} without
    // naming every member.
    MsgOptions(MsgButtons buttons, MsgIcon icon = MsgIcon::None, QString title = {},
               bool foreground = true, bool systemModal = false)
        : buttons(buttons), icon(icon), title(std::move(title)), foreground(foreground),
          systemModal(systemModal)
    {
    }

    // The same options with another default button:
    //   messageBox(text, MsgOptions{MsgButtons::YesNo}.withDefault(MsgDefault::Second))
    MsgOptions withDefault(MsgDefault button) const
    {
        MsgOptions copy = *this;
        copy.defaultButton = button;
        return copy;
    }

    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QString title;            // empty: the program title "Kelvra Saver"
    bool foreground = true;   // bring the box to the front
    bool systemModal = false; // application-modal on Linux, kept for callers' intent
    MsgDefault defaultButton = MsgDefault::First;
};

// Without a QApplication (a console run) nothing is shown and the default
// button is answered.
MsgAnswer messageBox(const QString& text, const MsgOptions& options = {});

inline constexpr const char* kProgramTitle = "Kelvra Saver";

} // namespace store
