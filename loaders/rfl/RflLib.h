/* libRflLib: a console-style flash loader for RFL boot targets, driven like a
 * console program: an argument vector, text out and keys in through callbacks.
 * Loaded at run time by name. */
#ifndef RFLLIB_H
#define RFLLIB_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define RFL_API __declspec(dllexport)
#else
#define RFL_API __attribute__((visibility("default")))
#endif

/* One piece of console text, zero-terminated, code page 437. */
typedef void (*RflTextOutFunc)(const char* text);
/* Waits for a key; 1 when it came in time, 0 when late. */
typedef int (*RflWaitKeyFunc)(void);
/* The key that came; 0x1B (Escape) cancels where the loader asks for a key. */
typedef char (*RflGetKeyFunc)(void);
typedef int (*RflKeyAvailableFunc)(void);
/* Called once when a run ends, with the run's result. */
typedef void (*RflFinishedFunc)(int result);

/* Results of RflRun (also given to the finished callback). */
enum {
    RFL_RESULT_OK = 0,
    RFL_RESULT_BAD_INPUT = 1, /* arguments, configuration or software file */
    RFL_RESULT_PORT = 2,      /* the port cannot be opened or is in use */
    RFL_RESULT_NO_TARGET = 3, /* the target did not answer the search */
    RFL_RESULT_NO_ANSWER = 4, /* the target stopped answering (timeouts, frames damaged on the line) */
    RFL_RESULT_REFUSED = 5,   /* the target refused a command */
    RFL_RESULT_FAILED = 6     /* the download failed otherwise, was cancelled or did not verify */
};

RFL_API void RflInit(RflTextOutFunc textOut, RflWaitKeyFunc waitKey, RflGetKeyFunc getKey,
                     RflKeyAvailableFunc keyAvailable);
/* Major version in the high byte, minor in the low byte. */
RFL_API int RflGetVersion(void);
/* argv: program name, "-@" + configuration file, software file (Intel HEX),
 * "-c=" + COM port number. Runs the whole download on the calling thread. */
RFL_API int RflRun(int argc, const char* const* argv, RflFinishedFunc finished);
/* Asks a running RflRun (on another thread) to stop at once; it then reports
 * the cancellation and returns RFL_RESULT_FAILED. Safe from a signal handler. */
RFL_API void RflTerminate(void);

#ifdef __cplusplus
}
#endif

#endif
