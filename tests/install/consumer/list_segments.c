/* Prints a recording's segments through the installed library: list-segments RECORDING */
#include <stdio.h>
#include <stdlib.h>

#include <tapline.h>

int main(int argc, char** argv) {
  int count = 0;
  double* durations;
  double* starts;
  int i;
  if (argc != 2) {
    fprintf(stderr, "usage: list-segments RECORDING\n");
    return 2;
  }
  if (OpenEx(argv[1], &count) != 1) {
    Close();
    return 1;
  }
  durations = calloc(count > 0 ? count : 1, sizeof *durations);
  starts = calloc(count > 0 ? count : 1, sizeof *starts);
  if (durations == NULL || starts == NULL) return 1;
  GetSegmentTime(durations, starts);
  printf("Segments: %d\n", count);
  for (i = 0; i < count; ++i) printf("%d start %.6f duration %.3f\n", i, starts[i], durations[i]);
  free(durations);
  free(starts);
  Close();
  return 0;
}
