// The maker's support address: it completes the "Contact to ..." messages and
// receives the bug-report mail. A macro so that message tables can splice it
// into their literals.
#pragma once

#define TK_SUPPORT_MAIL_ADDRESS "support@quarnel.example"
