#pragma once
// The maker's web site and copyright notice, each defined once and used by
// every text that shows them (string 18, the welcome page) and by the code
// that opens the site. setup.rc reads this header too, so it holds only
// #define lines with string literals.
//
// The site's host lies in the reserved .example domain, so that no test run
// ever reaches a real site; the address carries no trailing slash, because
// the code appends page paths such as "/lmqx/installed.asp" to it.
#define RES_MAKER_WEB_SITE "https://www.orvane.example"

// The welcome page passes its text through printf-style formatting, so the
// notice must hold no percent sign.
#define RES_MAKER_COPYRIGHT "Copyright (C) 2024 Orvane. All rights reserved."
