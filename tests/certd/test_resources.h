// Dialog templates of the register's tests.
#pragma once

#define IDD_TRANSLATE_TEST 900
#define IDC_TRANSLATE_STATIC 1200
#define IDC_TRANSLATE_EDIT 1201
#define IDC_TRANSLATE_CHECK 1202
