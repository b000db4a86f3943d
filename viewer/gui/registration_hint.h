// How to register the component that this program uses: the regsvr beside
// the program and the component's library where the program's own tree keeps
// it, the installed one or the build's.
#pragma once

#include "wide_text.h"

#include <QString>

// The text that ends the message about a component that is not registered,
// for the program in programFolder (its bin folder).
WideText RegistrationHint(const QString& programFolder);
