// Resource and control ids of the operator console.
#pragma once

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_FOCUS_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;  // the application icon

inline constexpr unsigned IDS_ABOUTBOX = 101;
inline constexpr unsigned IDS_START = 102;
inline constexpr unsigned IDS_STOP = 103;
inline constexpr unsigned IDP_DEVICE_INIT_FAILED = 61205;
inline constexpr unsigned IDP_DEVICE_ACCESS_FAILED = 61207;

inline constexpr unsigned IDM_ABOUTBOX = 0x0010;  // system-menu command of the About item

inline constexpr int IDC_SNAPSHOT = 3;
inline constexpr int IDC_NEW = 1000;
inline constexpr int IDC_STARTSTOP = 1001;
inline constexpr int IDC_FOCUS = 1003;
inline constexpr int IDC_STATUS = 1005;
inline constexpr int IDC_FULLPREVIEW = 1007;
inline constexpr int IDC_RAWDATA = 1008;
