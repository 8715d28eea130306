/* Prints what a host needs first from a recording, through the installed library: each
 * channel's name and unit, the first physical values of a window at the start of the first
 * segment, and every event's whole texts.
 *
 *   print-recording RECORDING [SECONDS]
 *
 * Exits 1, with the reader component's reason, when the recording does not open. */
#include <stdio.h>
#include <stdlib.h>

#include <tapline_ext.h>

enum { kNameBytes = 33, kShownValues = 3 };

/* A text of any length: asked once into a small buffer, again when it did not fit. Free it. */
static char* EventText(int event, int part) {
  char small[64];
  char* whole;
  const int needed = GetEventText(event, part, small, (int)sizeof small);
  if (needed == 0) return NULL;
  whole = malloc((size_t)needed);
  if (whole != NULL && GetEventText(event, part, whole, needed) == 0) whole[0] = '\0';
  return whole;
}

static int PrintChannels(int segment, double start, double seconds) {
  const int channelCount = GetChannelCount(segment);
  int* counts = calloc(channelCount > 0 ? (size_t)channelCount : 1, sizeof *counts);
  short* samples;
  long total = 0, first = 0;
  int channel;
  if (counts == NULL) return 1;
  if (GetWindowCounts(start, seconds, counts, channelCount) != 1) {
    printf("the first %g s do not fit in segment %d\n", seconds, segment);
    free(counts);
    return 1;
  }
  for (channel = 0; channel < channelCount; ++channel) total += counts[channel];
  samples = malloc((size_t)(total > 0 ? total : 1) * sizeof *samples);
  if (samples == NULL || GetData2(start, seconds, samples) != 1) {
    free(counts);
    free(samples);
    return 1;
  }
  for (channel = 0; channel < channelCount; ++channel) {
    char name[kNameBytes] = {0};
    char unit[32];
    double gain, offset;
    int i;
    GetChannelInf(segment, channel, name);
    if (GetChannelUnit(segment, channel, unit, (int)sizeof unit) == 0) unit[0] = '\0';
    printf("%s [%s]:", name, unit);
    if (GetChannelCalibration(segment, channel, &gain, &offset) == 1) {
      for (i = 0; i < counts[channel] && i < kShownValues; ++i) {
        printf(" %.6g", samples[first + i] * gain + offset);
      }
    } else {
      printf(" no physical values");
    }
    printf("\n");
    first += counts[channel];
  }
  free(counts);
  free(samples);
  return 0;
}

int main(int argc, char** argv) {
  int segmentCount = 0, eventCount = 0, event;
  double seconds = argc > 2 ? atof(argv[2]) : 1.0;
  double* durations;
  double* starts;
  char message[512];
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: print-recording RECORDING [SECONDS]\n");
    return 2;
  }
  if (OpenEx(argv[1], &segmentCount) != 1) {
    GetOpenMessage(message, (int)sizeof message);
    fprintf(stderr, "\n%s: %s\n", argv[1], message);
    Close();
    return 1;
  }
  durations = calloc(segmentCount > 0 ? (size_t)segmentCount : 1, sizeof *durations);
  starts = calloc(segmentCount > 0 ? (size_t)segmentCount : 1, sizeof *starts);
  if (durations == NULL || starts == NULL) return 1;
  GetSegmentTime(durations, starts);
  printf("Segments: %d\n", segmentCount);
  /* A window's date is the segment's start plus its seconds, in days. */
  if (segmentCount > 0 && PrintChannels(0, starts[0], seconds) != 0) return 1;
  GetEventCount(&eventCount);
  printf("Events: %d\n", eventCount);
  for (event = 0; event < eventCount; ++event) {
    char* label = EventText(event, TAPLINE_EVENT_LABEL);
    char* type = EventText(event, TAPLINE_EVENT_TYPE_TEXT1);
    printf("%d %s (%s)\n", event, label != NULL ? label : "", type != NULL ? type : "");
    free(label);
    free(type);
  }
  free(durations);
  free(starts);
  Close();
  return 0;
}
