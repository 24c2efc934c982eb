#include "manager/shell/main_window.h"

namespace manager {

CTokenManagerDlg::CTokenManagerDlg() : ui::Dialog(kMainWindowTemplate) {}

}  // namespace manager
