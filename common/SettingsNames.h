#pragma once

// Names in the per-user settings store that both programs share. Each program reads
// and writes only its own section; the key is the same for both.
namespace SettingsNames {

inline constexpr char Key[] = "Pelorin Quenvel Kit";

inline constexpr char ClientSection[] = "frmPelorin";
inline constexpr char NewsSection[] = "News";

// Section "frmPelorin", in the order of the read and write passes.
inline constexpr char Top[] = "Top";
inline constexpr char Left[] = "Left";
inline constexpr char Width[] = "Width";
inline constexpr char Height[] = "Height";
inline constexpr char UserName[] = "gUserName";
inline constexpr char Pass[] = "gPass";
inline constexpr char II1[] = "gII1";
inline constexpr char I1[] = "gI1";
inline constexpr char R1[] = "gR1";
inline constexpr char P1[] = "gP1";
inline constexpr char II2[] = "gII2";
inline constexpr char I2[] = "gI2";
inline constexpr char R2[] = "gR2";
inline constexpr char P2[] = "gP2";
inline constexpr char PatMord[] = "gPatMord";

// Section "News".
inline constexpr char AutoClose[] = "AutoClose";
inline constexpr char AutoLaunch[] = "AutoLaunch";
inline constexpr char LastDateTime[] = "LastDateTime";

inline constexpr int DefaultWidth = 900;
inline constexpr int DefaultHeight = 760;
inline constexpr int DefaultPatMord = 1;
inline constexpr char DefaultLastDateTime[] = "2011/01/01 00:00:00";

} // namespace SettingsNames
