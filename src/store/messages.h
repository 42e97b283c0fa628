#pragma once
// Every message box of both programs goes through messageBox(), so that an
// end-to-end test can read what was shown and answer it, while a person sees
// a real box with the right icon, title and text.
//
// Test hooks (environment):
//   KELVRA_MESSAGE_LOG      file; each box appends one line
//                           "<icon>|<title>|<text with \n escaped>" before it is shown.
//   KELVRA_MESSAGE_ANSWERS  file of scripted answers, one per line ("ok", "cancel",
//                           "yes", "no", "abort", "retry", "ignore"), consumed in order;
//                           when set, no box is shown and the next answer is returned
//                           (an exhausted or missing file answers the default button).

#include <QString>

namespace store {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

struct MsgOptions {
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QString title;            // empty: the program title "Kelvra Saver"
    bool foreground = true;   // bring the box to the front
    bool systemModal = false; // application-modal on Linux, kept for callers' intent
};

MsgAnswer messageBox(const QString& text, const MsgOptions& options = {});

inline constexpr const char* kProgramTitle = "Kelvra Saver";

} // namespace store
