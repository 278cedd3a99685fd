// The persistent settings of the gateway and their INI file.
//
// Settings is a plain record owned by its caller (the main window); its
// members are named after their INI keys. The gateway's own callsign and the
// broadcast flag are process-wide (gateway/gateway_globals.h) and the language
// name is CurrentLanguage (store/program_directory.h); the functions here load
// and save those too. Every function walks the table of store/settings_table.h.
// Saving compares each value with what the file holds at that moment and
// writes only the keys that differ, so a run that changed nothing leaves the
// file untouched, and of two programs sharing one file the one that ends last
// decides each key it changed. Main thread only.
//
// The program keeps its texts in Windows-1252; the file is UTF-8. A value is
// read as UTF-8 when it is valid UTF-8, else as Windows-1252 (as files written
// before hold it), and converted to Windows-1252 as it is loaded; texts are
// written back in UTF-8, so every text reads back as it was stored. The
// language name is a file name and is stored as the file system spells it
// (see lang/interface_language.h).
#pragma once

#include <string>

#include "ax25/ax25_address.h"

namespace korvale {

// The settings the main window owns; the rows of store/settings_table.h say
// for each member its key, default and form in the file. Constructed, every
// integer, flag and text holds its default; callsigns are empty until loaded,
// and an invalid stored callsign leaves them so.
struct Settings {
    Settings();

    // "TNC"
    int m_iTncPort{};
    int m_iTncBaudrate{};
    int m_bTncDisablePort{};
    // "host:port" of a TNC reached over TCP instead of the serial port; empty
    // for the serial port.
    std::string m_sTncTcpAddress;
    // "host:port" where other programs reach the TNC as a KISS server; empty:
    // no server.
    std::string m_sKissServerAddress;
    // "KISS"
    int m_iTxDelay{};  // ms
    int m_iTxTail{};   // ms
    int m_iPersist{};
    int m_iSlottime{};  // ms
    int m_bFullDup{};
    std::string m_sInitTncText;
    std::string m_sExitTncText;
    // The radio's bit rate (not the serial line's); 0: frames go to the TNC
    // as they come, as they always did.
    int m_iAirBaudrate{};
    // "Monitor"
    int m_bMonitorI{};
    int m_bMonitorUI{};
    int m_bMonitorSABM{};
    int m_bMonitorRR{};
    int m_bMonitorHeaders{};
    // A pcapng file of every frame sent to and heard from the TNC, relative
    // to the program's directory; empty: no capture.
    std::string m_sCaptureFile;
    // "Unproto"
    Ax25Address m_UnprotoSource;
    Ax25Address m_UnprotoDest;
    AddressList m_UnprotoDigis{kAddressListCapacity};
    // "Beacon"
    Ax25Address m_BeaconSource;
    Ax25Address m_BeaconDest;
    AddressList m_BeaconDigis{kAddressListCapacity};
    std::string m_sBeaconText;
    int m_iBeaconInterval{};  // s
    int m_bBeaconEnable{};
    // "Misc"
    int m_bOemTranslation{};
    // "Dialog": the main window's outer rectangle and whether it is hidden.
    int m_iLeft{};
    int m_iTop{};
    int m_iCx{};
    int m_iCy{};
    int m_bInTray{};
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

// Writes every value but the language that differs from the file, in table
// order: section by section "Dialog", "TCP-IP", "TNC", "KISS", "Monitor",
// "Unproto", "Beacon", "Misc". Returns false when a write failed; the remaining keys are still
// tried, and what could not be written is lost (the program carries on).
bool SaveSettings(const Settings& settings, const std::string& iniPath);

// The stored text of a call list: each callsign followed by one blank.
std::string CallListText(const AddressList& list);

}  // namespace korvale
