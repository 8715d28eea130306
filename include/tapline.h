/* Tapline: read access to multi-channel 16-bit recordings for numerical hosts.
 *
 * One recording per process: OpenEx it, query it from the same thread, Close it. Every buffer
 * belongs to the host and is sized by it as each line below says. Day numbers are OLE
 * Automation dates (days since 1899-12-30 00:00); a MATLAB datenum is the value + 693960.
 * Text buffers receive at most 32 bytes in the system's ANSI code page (UTF-8 outside
 * Windows) and no terminator: pass 32 zero bytes (33 to always keep a terminator) to get a C
 * string. Failures are reported on the console; the results below tell the host. */
#ifndef TAPLINE_H
#define TAPLINE_H

#if defined(_WIN32)
#define TAPLINE_CALL __cdecl
#else
#define TAPLINE_CALL
#endif

#if defined(TAPLINE_BUILDING_LIBRARY) && defined(__GNUC__) && !defined(_WIN32)
#define TAPLINE_API __attribute__((visibility("default")))
#else
#define TAPLINE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the recording at path; *segmentCount receives its segment count. 1 opened, 0 not (segmentCount untouched). */
TAPLINE_API int TAPLINE_CALL OpenEx(const char* path, int* segmentCount);
/* Closes the recording and ends the library's use of COM on this thread. Always 1. */
TAPLINE_API int TAPLINE_CALL Close(void);
/* Index of the segment that holds the day number date, or -1. */
TAPLINE_API int TAPLINE_CALL GetSegment(double date);
/* Fills durations[i] (seconds) and starts[i] (day numbers) for every segment: both arrays hold segmentCount doubles. Always 1. */
TAPLINE_API int TAPLINE_CALL GetSegmentTime(double* durations, double* starts);
/* *date receives the day part of the time recordingSeconds after the recording's beginning (its sub-second rest is dropped), -1.0 when the component refuses. Always 1. */
TAPLINE_API int TAPLINE_CALL RecSecToDate(double recordingSeconds, double* date);
/* Number of channels of the segment; 0 for none, or after a failed read (then reported on the console). */
TAPLINE_API int TAPLINE_CALL GetChannelCount(int segment);
/* Name of a channel into name (32 bytes, see above). 1 done; 0 failed read; 0 without report and name untouched for a channel outside 0..GetChannelCount-1. */
TAPLINE_API int TAPLINE_CALL GetChannelInf(int segment, int channel, char* name);
/* values[i] receives channel i's value (GetChannelCount doubles) and sampleCounts[i] its sample count in the segment (one int per channel). 1 done; 0 failed: nothing written, except values when only the sample read failed. */
TAPLINE_API int TAPLINE_CALL GetSegmentInf(int segment, double* values, int* sampleCounts);
/* All samples of the segment, channel after channel: samples holds the sum of GetSegmentInf's sampleCounts shorts. 1 done, 0 failed (untouched). */
TAPLINE_API int TAPLINE_CALL GetData(int segment, short* samples);
/* Samples of the window [startDate, startDate + duration seconds), channel after channel; it must lie within one segment. No export gives a window's counts: size samples per channel as ceil(sampling rate x duration) + 1, the most a window of that duration can hold. 1 done, 0 failed (untouched). */
TAPLINE_API int TAPLINE_CALL GetData2(double startDate, double duration, short* samples);
/* *count receives the number of events of the recording. Always 1. */
TAPLINE_API int TAPLINE_CALL GetEventCount(int* count);
/* Event eventIndex (0..count-1): its type's table position, the type's two texts, its label (three 32-byte buffers), its duration (seconds) and its time (day number, whole seconds kept exact). Always 1; every output untouched when the event or its type cannot be read, so preset *typeIndex to -1. */
TAPLINE_API int TAPLINE_CALL GetEvents(int eventIndex, int* typeIndex, char* typeText1, char* typeText2, char* label, double* duration, double* time);

#ifdef __cplusplus
}
#endif

#endif /* TAPLINE_H */
