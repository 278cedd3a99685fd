#include "store/settings.h"

#include <climits>

#include "gateway/gateway_globals.h"
#include "store/code_pages.h"
#include "store/profile_file.h"

namespace korvale {

namespace {

constexpr std::string_view kSectionTcpIp = "TCP-IP";
constexpr std::string_view kSectionTnc = "TNC";
constexpr std::string_view kSectionKiss = "KISS";
constexpr std::string_view kSectionMonitor = "Monitor";
constexpr std::string_view kSectionUnproto = "Unproto";
constexpr std::string_view kSectionBeacon = "Beacon";
constexpr std::string_view kSectionMisc = "Misc";
constexpr std::string_view kSectionDialog = "Dialog";

// The file is UTF-8 on Linux, as every editor writes it; a value that is not
// valid UTF-8 comes from a file written before and is Windows-1252 already.
std::string FromFileText(std::string value) {
    return IsValidUtf8(value) ? Utf8ToAnsi(value) : value;
}

std::string ReadText(const std::string& iniPath, std::string_view section, std::string_view key,
                     std::string_view defaultText) {
    return FromFileText(ReadProfileText(iniPath, section, key, defaultText));
}

void LoadCallsign(Ax25Address& address, const std::string& iniPath, std::string_view section,
                  std::string_view key, std::string_view defaultText) {
    // An invalid stored callsign leaves the address as it was: parse() only
    // changes it on success.
    address.parse(ReadText(iniPath, section, key, defaultText));
}

void LoadCallList(AddressList& list, const std::string& iniPath, std::string_view section,
                  std::string_view key) {
    // The callsigns before an invalid one, or before the list is full, stay.
    AddressList loaded(kAddressListCapacity);
    loaded.parse(ReadText(iniPath, section, key, ""));
    list = loaded;
}

// Writes the settings that differ from the file and remembers whether any
// write failed.
class ChangedValueWriter {
  public:
    explicit ChangedValueWriter(const std::string& iniPath) : iniPath_(iniPath) {}

    void integer(std::string_view section, std::string_view key, int value) {
        // Read with a default that cannot equal the value, so that a missing
        // or empty key is always written (value + 1 would overflow at
        // INT_MAX).
        const int unlike = value == INT_MAX ? value - 1 : value + 1;
        if (ReadProfileInt(iniPath_, section, key, unlike) != value) {
            ok_ = WriteProfileInt(iniPath_, section, key, value) && ok_;
        }
    }

    void text(std::string_view section, std::string_view key, std::string_view value) {
        // A missing key is always written, whatever the value: no sentinel
        // default can stand for "missing" without one value being lost. The
        // reader drops blanks at the ends of a value, so they are left out of
        // the comparison: a call list, stored with a blank after each call,
        // is not written again at every exit.
        // The stored text is compared as it loads, so a file written before
        // in Windows-1252 is not rewritten while its values stay the same.
        const std::optional<std::string> stored = FindProfileText(iniPath_, section, key);
        if (!stored || FromFileText(*stored) != TrimBlanks(value)) {
            ok_ = WriteProfileText(iniPath_, section, key, AnsiToUtf8(value)) && ok_;
        }
    }

    bool ok() const { return ok_; }

  private:
    const std::string& iniPath_;
    bool ok_ = true;
};

}  // namespace

std::string CallListText(const AddressList& list) {
    std::string text;
    for (const Ax25Address& address : list) {
        text += address.toText();
        text += ' ';
    }
    return text;
}

void LoadSettings(Settings& s, const std::string& ini) {
    LoadCallsign(GatewayOwnAddress, ini, kSectionTcpIp, "TcpIpMyCall", kDefaultCallsign);
    SuppressBroadcasts = ReadProfileInt(ini, kSectionTcpIp, "SuppressBroadcasts", 1);
    s.m_iTncPort = ReadProfileInt(ini, kSectionTnc, "m_iTncPort", kDefaultTncPort);
    s.m_iTncBaudrate = ReadProfileInt(ini, kSectionTnc, "m_iTncBaudrate", kDefaultTncBaudrate);
    s.m_bTncDisablePort = ReadProfileInt(ini, kSectionTnc, "m_bTncDisablePort", 0);
    s.m_sTncTcpAddress = ReadProfileText(ini, kSectionTnc, "m_sTncTcpAddress", "");
    s.m_sKissServerAddress = ReadProfileText(ini, kSectionTnc, "m_sKissServerAddress", "");
    s.m_iTxDelay = ReadProfileInt(ini, kSectionKiss, "m_iTxDelay", kDefaultTxDelay);
    s.m_iTxTail = ReadProfileInt(ini, kSectionKiss, "m_iTxTail", kDefaultTxTail);
    s.m_iPersist = ReadProfileInt(ini, kSectionKiss, "m_iPersist", kDefaultPersist);
    s.m_iSlottime = ReadProfileInt(ini, kSectionKiss, "m_iSlottime", kDefaultSlottime);
    s.m_bFullDup = ReadProfileInt(ini, kSectionKiss, "m_bFullDup", 0);
    s.m_sInitTncText = ReadText(ini, kSectionKiss, "m_sInitTncText", kDefaultInitTncText);
    s.m_sExitTncText = ReadText(ini, kSectionKiss, "m_sExitTncText", kDefaultExitTncText);
    s.m_iAirBaudrate = ReadProfileInt(ini, kSectionKiss, "m_iAirBaudrate", 0);
    s.m_bMonitorI = ReadProfileInt(ini, kSectionMonitor, "m_bMonitorI", 1);
    s.m_bMonitorUI = ReadProfileInt(ini, kSectionMonitor, "m_bMonitorUI", 1);
    s.m_bMonitorSABM = ReadProfileInt(ini, kSectionMonitor, "m_bMonitorSABM", 1);
    s.m_bMonitorRR = ReadProfileInt(ini, kSectionMonitor, "m_bMonitorRR", 1);
    s.m_bMonitorHeaders = ReadProfileInt(ini, kSectionMonitor, "m_bMonitorHeaders", 1);
    s.m_sCaptureFile = ReadProfileText(ini, kSectionMonitor, "m_sCaptureFile", "");
    LoadCallsign(s.m_UnprotoSource, ini, kSectionUnproto, "m_UnprotoSource", kDefaultCallsign);
    LoadCallsign(s.m_UnprotoDest, ini, kSectionUnproto, "m_UnprotoDest", kDefaultDestination);
    LoadCallList(s.m_UnprotoDigis, ini, kSectionUnproto, "m_UnprotoDigis");
    LoadCallsign(s.m_BeaconSource, ini, kSectionBeacon, "m_BeaconSource", kDefaultCallsign);
    LoadCallsign(s.m_BeaconDest, ini, kSectionBeacon, "m_BeaconDest", kDefaultDestination);
    LoadCallList(s.m_BeaconDigis, ini, kSectionBeacon, "m_BeaconDigis");
    s.m_sBeaconText = ReadText(ini, kSectionBeacon, "m_sBeaconText", "");
    s.m_iBeaconInterval =
        ReadProfileInt(ini, kSectionBeacon, "m_iBeaconInterval", kDefaultBeaconInterval);
    s.m_bBeaconEnable = ReadProfileInt(ini, kSectionBeacon, "m_bBeaconEnable", 0);
    s.m_bOemTranslation = ReadProfileInt(ini, kSectionMisc, "m_bOemTranslation", 1);
    LoadWindowPlacement(s, ini, s.m_iCx, s.m_iCy);
}

void LoadWindowPlacement(Settings& s, const std::string& ini, int minCx, int minCy) {
    s.m_iLeft = ReadProfileInt(ini, kSectionDialog, "Left", 0);
    s.m_iTop = ReadProfileInt(ini, kSectionDialog, "Top", 0);
    s.m_iCx = ReadProfileInt(ini, kSectionDialog, "CX", minCx);
    s.m_iCy = ReadProfileInt(ini, kSectionDialog, "CY", minCy);
    s.m_bInTray = ReadProfileInt(ini, kSectionDialog, "ShowInTray", 0);
}

bool SaveSettings(const Settings& s, const std::string& ini) {
    ChangedValueWriter w(ini);
    w.integer(kSectionDialog, "Left", s.m_iLeft);
    w.integer(kSectionDialog, "Top", s.m_iTop);
    w.integer(kSectionDialog, "CX", s.m_iCx);
    w.integer(kSectionDialog, "CY", s.m_iCy);
    w.integer(kSectionDialog, "ShowInTray", s.m_bInTray);
    w.text(kSectionTcpIp, "TcpIpMyCall", GatewayOwnAddress.toText());
    w.integer(kSectionTcpIp, "SuppressBroadcasts", SuppressBroadcasts);
    w.integer(kSectionTnc, "m_iTncPort", s.m_iTncPort);
    w.integer(kSectionTnc, "m_iTncBaudrate", s.m_iTncBaudrate);
    w.integer(kSectionTnc, "m_bTncDisablePort", s.m_bTncDisablePort);
    w.text(kSectionTnc, "m_sTncTcpAddress", s.m_sTncTcpAddress);
    w.text(kSectionTnc, "m_sKissServerAddress", s.m_sKissServerAddress);
    w.integer(kSectionKiss, "m_iTxDelay", s.m_iTxDelay);
    w.integer(kSectionKiss, "m_iTxTail", s.m_iTxTail);
    w.integer(kSectionKiss, "m_iPersist", s.m_iPersist);
    w.integer(kSectionKiss, "m_iSlottime", s.m_iSlottime);
    w.integer(kSectionKiss, "m_bFullDup", s.m_bFullDup);
    w.text(kSectionKiss, "m_sInitTncText", s.m_sInitTncText);
    w.text(kSectionKiss, "m_sExitTncText", s.m_sExitTncText);
    w.integer(kSectionKiss, "m_iAirBaudrate", s.m_iAirBaudrate);
    w.integer(kSectionMonitor, "m_bMonitorI", s.m_bMonitorI);
    w.integer(kSectionMonitor, "m_bMonitorUI", s.m_bMonitorUI);
    w.integer(kSectionMonitor, "m_bMonitorSABM", s.m_bMonitorSABM);
    w.integer(kSectionMonitor, "m_bMonitorRR", s.m_bMonitorRR);
    w.integer(kSectionMonitor, "m_bMonitorHeaders", s.m_bMonitorHeaders);
    w.text(kSectionMonitor, "m_sCaptureFile", s.m_sCaptureFile);
    w.text(kSectionUnproto, "m_UnprotoSource", s.m_UnprotoSource.toText());
    w.text(kSectionUnproto, "m_UnprotoDest", s.m_UnprotoDest.toText());
    w.text(kSectionUnproto, "m_UnprotoDigis", CallListText(s.m_UnprotoDigis));
    w.text(kSectionBeacon, "m_BeaconSource", s.m_BeaconSource.toText());
    w.text(kSectionBeacon, "m_BeaconDest", s.m_BeaconDest.toText());
    w.text(kSectionBeacon, "m_BeaconDigis", CallListText(s.m_BeaconDigis));
    w.text(kSectionBeacon, "m_sBeaconText", s.m_sBeaconText);
    w.integer(kSectionBeacon, "m_iBeaconInterval", s.m_iBeaconInterval);
    w.integer(kSectionBeacon, "m_bBeaconEnable", s.m_bBeaconEnable);
    w.integer(kSectionMisc, "m_bOemTranslation", s.m_bOemTranslation);
    return w.ok();
}

}  // namespace korvale
