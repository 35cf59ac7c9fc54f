#include "app/platform/global_hotkey.h"

std::unique_ptr<GlobalHotkey> GlobalHotkey::install(QObject*)
{
    return nullptr;
}
