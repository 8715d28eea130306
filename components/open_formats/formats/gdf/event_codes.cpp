#include "event_codes.h"

#include <algorithm>
#include <iterator>

namespace gdf {

namespace {

struct CodeDescription {
  std::uint16_t code;
  const char* text;
};

// Ordered by code.
constexpr CodeDescription kDescriptions[] = {
    {0x0101, "artifact:EOG (blinks, fast, large amplitude)"},
    {0x0102, "artifact:ECG"},
    {0x0103, "artifact:EMG/Muscle"},
    {0x0104, "artifact:Movement"},
    {0x0105, "artifact:Failing Electrode"},
    {0x0106, "artifact:Sweat"},
    {0x0107, "artifact:50/60 Hz mains interference"},
    {0x0108, "artifact:breathing"},
    {0x0109, "artifact:pulse"},
    {0x010a, "artifact:EOG (slow, small amplitudes)"},
    {0x0111, "eeg:Sleep spindles"},
    {0x0112, "eeg:K-complexes"},
    {0x0113, "eeg:Saw-tooth waves"},
    {0x0114, "eeg:Idling EEG - eyes open"},
    {0x0115, "eeg:Idling EEG - eyes closed"},
    {0x0116, "eeg:spike"},
    {0x0117, "eeg:seizure"},
    {0x0121, "VEP: visual EP"},
    {0x0122, "AEP: auditory EP"},
    {0x0123, "SEP: somato-sensory EP"},
    {0x012f, "TMS: transcranial magnetic stimulation"},
    {0x0131, "SSVEP"},
    {0x0132, "SSAEP"},
    {0x0133, "SSSEP"},
    {0x0140, "response code 0, or no response or false"},
    {0x0141, "response code 1, or correct response"},
    {0x0142, "response code 2"},
    {0x0143, "response code 3"},
    {0x0144, "Go, or response code 4"},
    {0x0145, "NoGo, or response code 5"},
    {0x0201, "Spike, action potential (fiducial point)"},
    {0x0202, "Burst"},
    {0x0203, "maximum slope time"},
    {0x0204, "peak time of spike"},
    {0x0211, "EPSP - Excitatory Post-Synaptic Potentials"},
    {0x0212, "IPSP - Inhibitory Post-Synaptic Potentials"},
    {0x0213, "EPSC - Excitatory Post-Synaptic Currents"},
    {0x0214, "IPSC - Inhibitory Post-Synaptic Currents"},
    {0x0300, "Start of Trial, Trigger at t=0s"},
    {0x0301, "class1, Left hand"},
    {0x0302, "class2, Right hand"},
    {0x0303, "class3, Foot, towards Right - cue onset (BCI experiment)"},
    {0x0304, "class4, Tongue"},
    {0x0305, "class5"},
    {0x0306, "class6, towards Down"},
    {0x0307, "class7"},
    {0x0308, "class8"},
    {0x0309, "class9, towards Left"},
    {0x030a, "class10"},
    {0x030b, "class11"},
    {0x030c, "class12, towards Up"},
    {0x030d, "Feedback (continuous) - onset (BCI experiment)"},
    {0x030e, "Feedback (discrete) - onset (BCI experiment)"},
    {0x030f, "cue unknown/undefined (used for BCI competition)"},
    {0x0311, "Beep (accustic stimulus, BCI experiment)"},
    {0x0312, "Cross on screen (BCI experiment)"},
    {0x0313, "Flashing light"},
    {0x0381, "target hit, task successful, correct classification"},
    {0x0382, "target missed, task not reached, incorrect classification"},
    {0x03ff, "Rejection of whole trial"},
    {0x0401, "Obstructive apnea/Hypopnea event (OAHE)"},
    {0x0402, "RERA #(Respiratory Effort Related Arousal)"},
    {0x0403, "Central Apnea/Hypopnea Event (CAHE)"},
    {0x0404, "CS Breathing #(Cheyne-Stokes Breathing)"},
    {0x0405, "Hypoventilation"},
    {0x0406, "Apnea"},
    {0x0407, "Obstructive apnea"},
    {0x0408, "Central apnea"},
    {0x0409, "Mixed apnea"},
    {0x040a, "Hypopnea"},
    {0x040b, "Periodic Breathing"},
    {0x040c, "Limb movement"},
    {0x040d, "PLMS"},
    {0x040e, "(time of) maximum inspiration"},
    {0x040f, "Start of inspiration, (end of expiration)"},
    {0x0410, "Sleep stage Wake"},
    {0x0411, "Sleep stage 1"},
    {0x0412, "Sleep stage 2"},
    {0x0413, "Sleep stage 3"},
    {0x0414, "Sleep stage 4"},
    {0x0415, "Sleep stage REM"},
    {0x0416, "Sleep stage ?"},
    {0x0417, "Movement time"},
    {0x0418, "Bruxism"},
    {0x0419, "RBD #(Rapid eye movement sleep behaviour disorder)"},
    {0x041a, "RMD #(Sleep related rhythmic movement disorder)"},
    {0x041b, "Sleep stage N"},
    {0x041c, "Sleep stage N1"},
    {0x041d, "Sleep stage N2"},
    {0x041e, "Sleep stage N3"},
    {0x0420, "Lights on"},
    {0x0431, "eyes left"},
    {0x0432, "eyes right"},
    {0x0433, "eyes up"},
    {0x0434, "eyes down"},
    {0x0435, "horizontal eye movement"},
    {0x0436, "vertical eye movement"},
    {0x0437, "eye rotation (clockwise)"},
    {0x0438, "eye rotation (counterclockwise)"},
    {0x0439, "eye blinks"},
    {0x0441, "left hand movement"},
    {0x0442, "right hand movement"},
    {0x0443, "head movement"},
    {0x0444, "tongue movement"},
    {0x0445, "swallowing"},
    {0x0446, "biting, chewing, teeth griding"},
    {0x0447, "foot movement"},
    {0x0449, "arm movement"},
    {0x044a, "arm (right) movement"},
    {0x0501, "ecg:Fiducial point of QRS complex"},
    {0x0502, "ecg:P-wave-onset, MDC_ECG_TIME_START_P"},
    {0x0503, "ecg:Q-wave-onset, QRS-onset, MDC_ECG_TIME_START_QRS"},
    {0x0504, "ecg:R-point"},
    {0x0505, "ecg:S-wave-onset, S-wave-peak"},
    {0x0506, "ecg:T-wave-onset, MDC_ECG_TIME_START_T"},
    {0x0507, "ecg:U-wave-onset"},
    {0x0580, "start"},
    {0x0581, "25 Watt"},
    {0x0582, "50 Watt"},
    {0x0583, "75 Watt"},
    {0x0584, "100 Watt"},
    {0x0585, "125 Watt"},
    {0x0586, "150 Watt"},
    {0x0587, "175 Watt"},
    {0x0588, "200 Watt"},
    {0x0589, "225 Watt"},
    {0x058a, "250 Watt"},
    {0x058b, "275 Watt"},
    {0x058c, "300 Watt"},
    {0x058d, "325 Watt"},
    {0x058e, "350 Watt"},
    {0x7ffe, "start of a new segment (after a break)"},
    {0x7fff, "non-equidistant sampling value"},
};

}  // namespace

std::optional<std::string_view> StandardDescription(std::uint16_t code) {
  const auto found = std::lower_bound(
      std::begin(kDescriptions), std::end(kDescriptions), code,
      [](const CodeDescription& entry, std::uint16_t c) { return entry.code < c; });
  if (found == std::end(kDescriptions) || found->code != code) return std::nullopt;
  return std::string_view(found->text);
}

std::string CodeText(std::uint16_t code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) text.push_back(kDigits[code >> shift & 0xF]);
  return text;
}

}  // namespace gdf
