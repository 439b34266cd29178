#include <juce_audio_basics/juce_audio_basics.h>
int dremlorProbe() { return juce::MidiMessage (0x90, 1, 1).getRawDataSize(); }
