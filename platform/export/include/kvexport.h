/* Calling conventions and symbol visibility of every library's exported entries.
 *
 * Each library exports its operations twice: a "decorated" C++ entry with the caller-cleans
 * convention (its mangled name carries the signature) and a plain extern "C" `VB` twin with the
 * callee-cleans convention. The conventions only differ on 32-bit Windows; elsewhere both
 * macros are empty. Libraries build with hidden visibility, so only entries marked with their
 * *_API macro leave the library. */
#ifndef KVEXPORT_H
#define KVEXPORT_H

#if defined(_WIN32) && !defined(_WIN64)
#define KV_STDCALL __stdcall
#define KV_CDECL __cdecl
#else
#define KV_STDCALL
#define KV_CDECL
#endif

#if defined(_WIN32)
#define KV_DLL_EXPORT __declspec(dllexport)
#define KV_DLL_IMPORT __declspec(dllimport)
#else
#define KV_DLL_EXPORT __attribute__((visibility("default")))
#define KV_DLL_IMPORT
#endif

#ifdef __cplusplus
#define KV_EXTERN_C extern "C"
#else
#define KV_EXTERN_C
#endif

/* One switch per library: defined while that library itself is compiled. */
#ifdef PHRASEKEY_BUILDING
#define PHRASEKEY_API KV_DLL_EXPORT
#else
#define PHRASEKEY_API KV_DLL_IMPORT
#endif

#ifdef LABRIG_BUILDING
#define LABRIG_API KV_DLL_EXPORT
#else
#define LABRIG_API KV_DLL_IMPORT
#endif

#ifdef GPIBSIM_BUILDING
#define GPIBSIM_API KV_DLL_EXPORT
#else
#define GPIBSIM_API KV_DLL_IMPORT
#endif

#ifdef NICAPI_BUILDING
#define NICAPI_API KV_DLL_EXPORT
#else
#define NICAPI_API KV_DLL_IMPORT
#endif

#ifdef KVWIN32_BUILDING
#define KVWIN32_API KV_DLL_EXPORT
#else
#define KVWIN32_API KV_DLL_IMPORT
#endif

#ifdef PKTDRV_BUILDING
#define PKTDRV_API KV_DLL_EXPORT
#else
#define PKTDRV_API KV_DLL_IMPORT
#endif

#ifdef LOOPKIT_BUILDING
#define LOOPKIT_API KV_DLL_EXPORT
#else
#define LOOPKIT_API KV_DLL_IMPORT
#endif

#endif /* KVEXPORT_H */
