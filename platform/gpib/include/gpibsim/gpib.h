/* The C interface of the simulated GPIB (IEEE 488) bus.
 *
 * Board 0 carries a simulated SCPI spectrum analyser and a power meter whose addresses and signals
 * come from the file named by GPIBSIM_CONFIG (built-in defaults without it). Every call leaves
 * its status in the calling thread's Thread* values and in the process-wide user_* variables. */
#ifndef GPIBSIM_GPIB_H
#define GPIBSIM_GPIB_H

#include <kvexport.h>

/* The calling convention of the entries: callee-cleans (stdcall) on 32-bit Windows, as a GPIB
 * board's own library has it; the platform's C convention elsewhere. */
#define GPIBSIM_CALL KV_STDCALL

#ifdef __cplusplus
extern "C" {
#endif

/* Bits of ibsta. */
enum {
    GPIBSIM_ERR = 0x8000,  /* the call failed; iberr tells why */
    GPIBSIM_TIMO = 0x4000, /* the call timed out */
    GPIBSIM_END = 0x2000,  /* the read returned the last byte of the device's reply */
    GPIBSIM_CMPL = 0x0100, /* the call completed */
    GPIBSIM_CIC = 0x0020   /* the board is controller-in-charge */
};

/* Values of iberr, meaningful only while ibsta has GPIBSIM_ERR. */
enum {
    GPIBSIM_EDVR = 0, /* unknown or closed unit descriptor */
    GPIBSIM_ENOL = 2, /* no listener at the device's address */
    GPIBSIM_EARG = 4, /* invalid argument */
    GPIBSIM_EABO = 6, /* I/O aborted: time-out, nothing to read */
    GPIBSIM_ENEB = 7  /* no such board, or the configuration could not be loaded */
};

/* Opens a unit descriptor (>= 0) for the device at pad/sad on board 0; -1 on failure. */
GPIBSIM_API int GPIBSIM_CALL ibdev(int board, int pad, int sad, int tmo, int eot, int eos);
/* Sends the device clear: the device drops its unread input and output, keeps its settings. */
GPIBSIM_API int GPIBSIM_CALL ibclr(int ud);
/* ibonl(ud, 0) closes the descriptor; any other v keeps it on line. */
GPIBSIM_API int GPIBSIM_CALL ibonl(int ud, int v);
/* Sends cnt bytes to the device; returns ibsta. */
GPIBSIM_API int GPIBSIM_CALL ibwrt(int ud, const void* buf, long cnt);
/* Reads up to cnt bytes of the device's reply; returns ibsta. */
GPIBSIM_API int GPIBSIM_CALL ibrd(int ud, void* buf, long cnt);

#ifndef GPIBSIM_THREAD_STATUS_ONLY
/* Status of the last call made by any thread. */
GPIBSIM_API extern int user_ibsta;
GPIBSIM_API extern int user_iberr;
GPIBSIM_API extern long user_ibcntl;
#endif

/* Status of the calling thread's last call. */
GPIBSIM_API int GPIBSIM_CALL ThreadIbsta(void);
GPIBSIM_API int GPIBSIM_CALL ThreadIberr(void);
GPIBSIM_API int GPIBSIM_CALL ThreadIbcnt(void);
GPIBSIM_API long GPIBSIM_CALL ThreadIbcntl(void);

#ifdef __cplusplus
}
#endif

#endif /* GPIBSIM_GPIB_H */
