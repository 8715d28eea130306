/* Tapline's exports beside the twelve of tapline.h: what the recording says beyond its stored
 * integers (physical units, whole texts, the reader component's reasons) and the layout of a
 * window before it is read. The same library exports them, in the same plain style.
 *
 * Every call returns 0 and writes nothing on bad input: a null pointer, a buffer size below 1,
 * a segment, channel or event index outside the open recording, a NaN or infinite window value,
 * a call before OpenEx or after Close. None writes to the console or waits for a key, and a
 * reader component that does not serve what a call asks for makes that call return 0 without
 * touching the twelve.
 *
 * Texts are UTF-8 on every platform and always terminated; one longer than its buffer is cut at
 * a character boundary. A call that writes a text returns the bytes the whole text needs with
 * its terminator (so 1 for an empty text): when that exceeds the size passed, call again with a
 * buffer that large. */
#ifndef TAPLINE_EXT_H
#define TAPLINE_EXT_H

#include "tapline.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Channel `channel` of segment `segment` (as GetChannelInf counts them): physical value = stored
 * value x *gain + *offset, in the unit GetChannelUnit gives. 1 written; 0 when the file gives no
 * physical values for the channel. */
TAPLINE_API int TAPLINE_CALL GetChannelCalibration(int segment, int channel, double* gain, double* offset);
/* The channel's unit as the file writes it ("uV", "\xC2\xB5V", "mmHg", "adu" for uncalibrated
 * WFDB signals) into unit (unitBytes bytes). The whole length + 1; 0 as GetChannelCalibration. */
TAPLINE_API int TAPLINE_CALL GetChannelUnit(int segment, int channel, char* unit, int unitBytes);
/* The physical values the file gives for the ends of the channel's digital range (EDF and GDF
 * store them). 1 written; 0 for a format that stores none. */
TAPLINE_API int TAPLINE_CALL GetChannelPhysicalRange(int segment, int channel, double* minimum, double* maximum);
/* The stored value that marks a missing sample rather than a measurement (WFDB's -32768). 1
 * written; 0 when the format has none. */
TAPLINE_API int TAPLINE_CALL GetChannelInvalidValue(int segment, int channel, int* value);

/* *value receives the channel's value as GetSegmentInf gives it (the sampling rate in Hz with
 * our reader component), without reading a sample. 1 written, 0 not. */
TAPLINE_API int TAPLINE_CALL GetChannelValue(int segment, int channel, double* value);

/* counts[i] receives the number of samples of channel i in the window [startDate, startDate +
 * duration seconds), as GetData2 lays them out, asked without reading a sample; countCapacity is
 * the number of ints counts holds, at least GetChannelCount of the segment that holds
 * startDate. 1 when the window lies within one segment and the counts are written; 0 when it
 * does not (GetData2 would refuse it), and then nothing is written. GetData2 also needs the
 * window's block below 4 GiB: 68 + 4 x channels + 2 x the counts' sum bytes. */
TAPLINE_API int TAPLINE_CALL GetWindowCounts(double startDate, double duration, int* counts, int countCapacity);

/* Which text of an event GetEventText writes. */
#define TAPLINE_EVENT_LABEL 0      /* the event's own text (GetEvents' label) */
#define TAPLINE_EVENT_TYPE_TEXT1 1 /* its type's first text (GetEvents' typeText1) */
#define TAPLINE_EVENT_TYPE_TEXT2 2 /* its type's second text (GetEvents' typeText2) */
/* The whole text `part` of event eventIndex (0..GetEventCount-1) into text (textBytes bytes):
 * the label as the event record carries it, the type texts as the type table carries them
 * (at most 255 UTF-16 units each, so a type named by a longer text has it cut there; the
 * label keeps it whole). The whole length + 1; 0 for an unknown part or an event that cannot
 * be read. */
TAPLINE_API int TAPLINE_CALL GetEventText(int eventIndex, int part, char* text, int textBytes);

/* What the calling thread's last OpenEx was told, one sentence a line: the reader component's
 * reason when OpenEx returned 0, its warnings after an open that forgave something, an empty
 * text after a clean open. Kept until that thread's next OpenEx, so Close may come first. The
 * whole length + 1; 0 before the thread's first OpenEx. */
TAPLINE_API int TAPLINE_CALL GetOpenMessage(char* text, int textBytes);

#ifdef __cplusplus
}
#endif

#endif /* TAPLINE_EXT_H */
