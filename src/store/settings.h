// The persistent settings of the gateway and their INI file.
//
// Settings is a plain record owned by its caller (the main window); its
// members are named after their INI keys. The gateway's own callsign and the
// broadcast flag are process-wide (gateway/gateway_globals.h) and the language
// name is CurrentLanguage (app/program_directory.h); the functions here load
// and save those too. Saving compares each value with what the file holds at
// that moment and writes only the keys that differ, so a run that changed
// nothing leaves the file untouched, and of two programs sharing one file the
// one that ends last decides each key it changed. Main thread only.
//
// The program keeps its texts in Windows-1252; the file is UTF-8. A value is
// read as UTF-8 when it is valid UTF-8, else as Windows-1252 (as files written
// before hold it), and converted to Windows-1252 as it is loaded; texts are
// written back in UTF-8. The language name is a file name and is stored as
// the file system spells it (see lang/interface_language.h).
#pragma once

#include <string>

#include "ax25/ax25_address.h"

namespace korvale {

inline constexpr int kDefaultTncPort = 0;  // no serial port chosen
inline constexpr int kDefaultTncBaudrate = 9600;
inline constexpr int kDefaultTxDelay = 200;  // ms
inline constexpr int kDefaultTxTail = 0;     // ms
inline constexpr int kDefaultPersist = 63;
inline constexpr int kDefaultSlottime = 10;        // ms
inline constexpr int kDefaultBeaconInterval = 20;  // s
inline constexpr const char* kDefaultInitTncText = "KISS ON^013RESTART^013";
inline constexpr const char* kDefaultExitTncText = "^192^255^192";
inline constexpr const char* kDefaultCallsign = "NOCALL";
inline constexpr const char* kDefaultDestination = "QST";
inline constexpr const char* kDefaultLanguage = "English";

struct Settings {
    // "TNC"
    int m_iTncPort = kDefaultTncPort;
    int m_iTncBaudrate = kDefaultTncBaudrate;
    int m_bTncDisablePort = 0;
    // "host:port" of a TNC reached over TCP instead of the serial port; empty
    // for the serial port.
    std::string m_sTncTcpAddress;
    // "host:port" where other programs reach the TNC as a KISS server; empty:
    // no server.
    std::string m_sKissServerAddress;
    // "KISS"
    int m_iTxDelay = kDefaultTxDelay;
    int m_iTxTail = kDefaultTxTail;
    int m_iPersist = kDefaultPersist;
    int m_iSlottime = kDefaultSlottime;
    int m_bFullDup = 0;
    std::string m_sInitTncText = kDefaultInitTncText;
    std::string m_sExitTncText = kDefaultExitTncText;
    // The radio's bit rate (not the serial line's); 0: frames go to the TNC
    // as they come, as they always did.
    int m_iAirBaudrate = 0;
    // "Monitor"
    int m_bMonitorI = 1;
    int m_bMonitorUI = 1;
    int m_bMonitorSABM = 1;
    int m_bMonitorRR = 1;
    int m_bMonitorHeaders = 1;
    // A pcapng file of every frame sent to and heard from the TNC, relative
    // to the program's directory; empty: no capture.
    std::string m_sCaptureFile;
    // "Unproto"; callsigns are empty until loaded, and an invalid stored
    // callsign leaves them so.
    Ax25Address m_UnprotoSource;
    Ax25Address m_UnprotoDest;
    AddressList m_UnprotoDigis{kAddressListCapacity};
    // "Beacon"
    Ax25Address m_BeaconSource;
    Ax25Address m_BeaconDest;
    AddressList m_BeaconDigis{kAddressListCapacity};
    std::string m_sBeaconText;
    int m_iBeaconInterval = kDefaultBeaconInterval;
    int m_bBeaconEnable = 0;
    // "Misc"
    int m_bOemTranslation = 1;
    // "Dialog": the main window's outer rectangle and whether it is hidden.
    int m_iLeft = 0;
    int m_iTop = 0;
    int m_iCx = 0;
    int m_iCy = 0;
    int m_bInTray = 0;
};

// Reads every setting that SaveSettings writes but the language, in the order
// the main window's construction reads them, into settings and into
// GatewayOwnAddress and SuppressBroadcasts, and then the window placement
// (missing "CX" and "CY" keep the members' values): a program without a
// window thus keeps what the desktop program stored. Missing keys give the
// defaults.
void LoadSettings(Settings& settings, const std::string& iniPath);

// Reads "Left", "Top", "CX" and "CY" (the last two defaulting to the
// window's first laid-out size) and then "ShowInTray". The desktop program
// reads them again once its window is laid out.
void LoadWindowPlacement(Settings& settings, const std::string& iniPath, int minCx, int minCy);

// Writes every value that differs from the file, section by section in the
// order "Dialog", "TCP-IP", "TNC", "KISS", "Monitor", "Unproto", "Beacon",
// "Misc". Returns false when a write failed; the remaining keys are still
// tried, and what could not be written is lost (the program carries on).
bool SaveSettings(const Settings& settings, const std::string& iniPath);

// The stored text of a call list: each callsign followed by one blank.
std::string CallListText(const AddressList& list);

}  // namespace korvale
