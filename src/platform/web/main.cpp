// The page's process entry: the page calls it on "click to start". WinMain's status is handed
// to exit() explicitly: once Asyncify has suspended and resumed main, a plain return from it
// reaches no caller, and the page would never learn that the run has ended.
#include <cstdlib>

#include "app/app.h"

int main() {
    std::exit(orv::WinMain(nullptr, nullptr, "", orv::SW_SHOW));
}
