/* The terminal-server library: a TCP server for networked barcode price-check terminals.
 * Eleven functions with C linkage and two optional ones, called from one thread of the host
 * program (the "caller's thread"); the network work runs on a thread of the library's own.
 * The wire protocol is in docs/terminal-protocol.md.
 *
 * Text: 8-bit text is zero-terminated, in the configured code page (default Windows-1252);
 * the two display lines of bSendDisplayMsg are zero-terminated UTF-16. Text that the library
 * returns stays valid until the caller's next call into the library. An address is the
 * 32-bit IPv4 value in network byte order, as inet_addr(3) gives it; a socket is the 16-bit
 * number the library gives each connection. */
#ifndef TERMSERVER_TERMSERVER_H
#define TERMSERVER_TERMSERVER_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define TERMSERVER_MAX_CONNECTIONS 1024

/* The connection table: 6148 bytes, little-endian, no gaps. Slot i is TabSock[i] with
 * TabIP[i]; an address of 0 marks an empty slot; NumSockConec is the index of the last
 * occupied slot plus one. A connection keeps its slot from connect to close. */
#pragma pack(push, 1)
typedef struct TTABSOCK {
    uint16_t TabSock[TERMSERVER_MAX_CONNECTIONS];
    uint32_t TabIP[TERMSERVER_MAX_CONNECTIONS];
    int32_t NumSockConec;
} TTABSOCK;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TTABSOCK) == 6148, "TTABSOCK is 6148 bytes");
static_assert(offsetof(TTABSOCK, TabIP) == 2048, "TabIP at byte 2048");
static_assert(offsetof(TTABSOCK, NumSockConec) == 6144, "NumSockConec at byte 6144");
#else
_Static_assert(sizeof(TTABSOCK) == 6148, "TTABSOCK is 6148 bytes");
_Static_assert(offsetof(TTABSOCK, TabIP) == 2048, "TabIP at byte 2048");
_Static_assert(offsetof(TTABSOCK, NumSockConec) == 6144, "NumSockConec at byte 6144");
#endif

#define TERMSERVER_API __attribute__((visibility("default")))

TERMSERVER_API void vInitialize(void);
/* "termserver 1.1.0 (protocol 2)". */
TERMSERVER_API const char* dll_version(void);
/* Non-zero when the server listens. On 0, errno holds the reason (EADDRINUSE, EACCES, ...). */
TERMSERVER_API int32_t tc_startserver(void);
/* Why the last tc_startserver failed, as one line of text ("termserver.conf, line 3: ...",
 * "cannot listen on 0.0.0.0:9123: Address already in use"); "" after a successful start.
 * Unlike the terminals' text, it is in the encoding of the process's locale (UTF-8), as the
 * system's own messages in it are ("Endereço já em uso" under pt_BR.UTF-8).
 * Not one of the eleven functions: a caller looks it up at run time and does without it
 * when a library lacks it. */
TERMSERVER_API const char* tc_lasterror(void);
/* A descriptor that is readable (poll(2), select(2)) exactly while a scan waits for
 * bReceiveBarcode, so the caller can wait for scans in its event loop instead of polling.
 * The caller only waits on it: it neither reads nor closes it. The same descriptor for the
 * whole life of the process, across starts and stops; -1 when the system gave none. Optional
 * like tc_lasterror: a caller looks it up at run time and polls when a library lacks it. */
TERMSERVER_API int32_t tc_wakefd(void);
/* 1 when every connection is closed and the server no longer listens. */
TERMSERVER_API int32_t bTerminate(void);
/* The oldest pending barcode with its sender, or "" when none is pending; each is handed
 * over once. *reserved receives the number of barcodes still pending. Null out-pointers are
 * allowed. */
TERMSERVER_API const char* bReceiveBarcode(uint32_t* address, uint16_t* socket, int32_t* reserved);
/* A reply answers the barcode of the address that was handed over last and is not answered
 * yet, and goes to its connection with that barcode; with none, it goes to the address's
 * most recently active connection. Display messages go to the most recently active one. Each
 * line is cut to the display's 20 characters. Result: 0 when the address has no connection,
 * else 1 (also when the reply is dropped because its barcode had its answer already). */
TERMSERVER_API int32_t bSendProdPrice(uint32_t address, const char* description, const char* price);
TERMSERVER_API int32_t bSendProdNotFound(uint32_t address);
/* Null lines are empty; the display time is in seconds (clamped to 0..3600). */
TERMSERVER_API int32_t bSendDisplayMsg(uint32_t address, const char16_t* line1,
                                       const char16_t* line2, int32_t displaySeconds);
/* Fills the whole record; flags is not used. 1 on success, 0 for a null table. */
TERMSERVER_API int32_t GetTabConectados(TTABSOCK* table, int32_t flags);
/* As inet_addr(3): 0xFFFFFFFF for text that is no address (and for a null pointer). */
TERMSERVER_API uint32_t Inet_Addr(const char* dotted);
TERMSERVER_API const char* Inet_NtoA(uint32_t address);

#ifdef __cplusplus
}
#endif

#endif
