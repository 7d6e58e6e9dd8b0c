// The capability strings of the plug-in interface. Constant tables: nothing walks them; a
// part that wants to know a host capability passes one of hostCapabilities to hostCanDo.
#pragma once

namespace melp::host {

// What the plug-in may ask the host about, in the interface's order.
inline constexpr const char* hostCapabilities[17] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "sendVstTimeInfo",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "reportConnectionChanges",
    "acceptIOChanges",
    "sizeWindow",
    "asyncProcessing",
    "offline",
    "supplyIdle",
    "supportShell",
    "openFileSelector",
    "editFile",
    "closeFileSelector",
    "startStopProcess",
};

// What a host may ask the plug-in about (every one of them is answered 0).
inline constexpr const char* pluginCapabilities[26] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "sendVstTimeInfo",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "offline",
    "plugAsChannelInsert",
    "plugAsSend",
    "mixDryWet",
    "noRealTime",
    "multipass",
    "metapass",
    "1in1out",
    "1in2out",
    "2in1out",
    "2in2out",
    "2in4out",
    "4in2out",
    "4in4out",
    "4in8out",
    "8in4out",
    "8in8out",
    "midiProgramNames",
    "conformsToWindowRules",
    "bypass",
};

}  // namespace melp::host
