#include "app/app_state.h"

#include "ui/text_table.h"

AppState app;

void resetAppState()
{
    app = AppState{};
    app.portHandle = invalidPortHandle;
    app.upperAddress = 0x0800;
    applyTexts();
}
