#pragma once

#include <memory>

class TKRNPresenter;

// What the desktop adds to the core's services: message boxes as the
// message service's presenter, and the wait window while the store waits
// for another workstation. The desktop program installs both at start-up;
// without them the core writes its messages to stderr and waits unseen.
void KRNInstallDesktopServices();
// The message boxes alone (tests that want real boxes).
std::unique_ptr<TKRNPresenter> KRNMessageBoxPresenter();
// Back to the core's own (stderr, no wait window); before the toolkit ends.
void KRNRemoveDesktopServices();
