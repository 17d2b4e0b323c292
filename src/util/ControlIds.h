#pragma once
// The main window's controls by id, and what the socket-state picture shows. The controller,
// the command server and every view address controls only through these names.

// The log (1000), connections (1016) and dump (1017) lists.
enum class ServerList { Log = 1000, Connections = 1016, Dump = 1017 };

// What the socket-state display (1009) shows.
enum class SocketPicture { Closed, Listening, Connected };

inline constexpr int kIdPortField = 1002;
inline constexpr int kIdNetAddress = 1003;
inline constexpr int kIdNetMask = 1004;
inline constexpr int kIdConnectButton = 1007;  // "Ligar"
inline constexpr int kIdSocketState = 1009;    // socket-state picture
inline constexpr int kIdCloseButton = 1010;    // "Fechar"
inline constexpr int kIdAutoLoadBox = 1015;
inline constexpr int kIdForceWriteBox = 1019;
inline constexpr int kIdMapReadout = 1020;
