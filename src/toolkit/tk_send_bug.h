// Mails an error report to the maker's support through the system's Simple
// MAPI mail client, loaded at run time. Nothing is reported to the user: a
// missing mail client or a failed send only leaves log lines.
#pragma once

#include "toolkit/tk_support_address.h"

#include <string>

inline constexpr const char* tk_support_mail_address = TK_SUPPORT_MAIL_ADDRESS;

void tk_send_bug(const std::string& title, const std::string& text);
