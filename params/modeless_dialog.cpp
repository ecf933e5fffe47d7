#include "params/modeless_dialog.h"

ModelessDialogSet g_modelessDialogs;
