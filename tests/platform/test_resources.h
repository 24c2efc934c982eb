// Ids of the small test resource file of the framework tests.
#pragma once

#define IDD_TEST_HOST 200
#define IDC_HOST_BUTTON 201
#define IDC_HOST_PAGE_AREA 202

#define IDD_TEST_PAGE 210
#define IDC_PAGE_EDIT 211
#define IDC_PAGE_TREE 212
#define IDC_PAGE_BUTTON 213
#define IDC_PAGE_STATIC 214
#define IDC_PAGE_PROGRESS 215
