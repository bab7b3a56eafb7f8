// The fixed identifiers of the text service, defined once for every part of
// the DLL and for the registration tests.
#pragma once

#include <windows.h>

extern const CLSID CLSID_MIRADOT;                     // the text input processor class
extern const GUID GUID_MIRADOT_PROFILE;               // its Vietnamese language profile
extern const GUID GUID_MIRADOT_LANGBAR_ITEM;          // the V/E language bar button
extern const GUID GUID_MIRADOT_DISPLAY_ATTRIBUTE;     // the word being composed
extern const GUID GUID_MIRADOT_LANGUAGE_COMPARTMENT;  // global Vietnamese/English state
extern const GUID GUID_MIRADOT_KEY_LANGUAGE;          // preserved Ctrl+Shift+Space
extern const GUID GUID_MIRADOT_KEY_VOICE;             // preserved voice-typing hotkey
extern const GUID GUID_MIRADOT_KEY_TRANSLATE;         // preserved translation hotkey

// Category identifiers that the mingw-w64 headers and import libraries lack.
extern const GUID GUID_TFCAT_TIPCAP_UIELEMENTENABLED_MIRADOT;
extern const GUID GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT_MIRADOT;
extern const GUID GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT_MIRADOT;
