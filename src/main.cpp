// The demo's process entry: everything happens in WinMain.
#include "app/app.h"

int main() {
    return orv::WinMain(nullptr, nullptr, "", orv::SW_SHOW);
}
