// Ids of the widget tests' own resources (kept clear of the manager's ids, which the test
// program also carries).
#pragma once

#define IDD_LAYOUT_POPUP 2001
#define IDD_LAYOUT_REORDERED 2002
#define IDD_LAYOUT_BOLD 2003
#define IDD_LAYOUT_NO_FONT 2004
#define IDD_WIDGET_HOST 2005

#define IDC_LAYOUT_LABEL 2011
#define IDC_LAYOUT_EDIT 2012
#define IDC_LAYOUT_BUTTON 2013
#define IDC_LAYOUT_TREE 2014

#define IDC_HOST_PICTURE 2021
#define IDC_HOST_TICKER 2022
#define IDC_HOST_EDIT 2023
#define IDC_HOST_TREE 2024
#define IDC_HOST_PLAIN_TREE 2025

#define IDB_TEST_COORDINATES 2101
#define IDB_TEST_SOLID 2102
