#pragma once

namespace vireo {

// The main window's own status and caption texts.
inline constexpr const char* kStatusIdle = "Idle";
inline constexpr const char* kStatusReceiving = "Receiving Message...";
inline constexpr const char* kStatusLoadingSource = "Loading Source.  Please Wait...";
inline constexpr const char* kCaptionShowAWindow = "Click Right Mouse Button to Show a Window";
inline constexpr const char* kCaptionShowSourceWindow = "Click Right Mouse Button to Show Source Window";
inline constexpr const char* kStatusSavingMessages = "Saving Messages...";
inline constexpr const char* kStatusOpeningMessages = "Opening Messages...";
// Status text before the reason a settings write failed.
inline constexpr const char* kStatusSettingsNotSaved = "Settings not saved: ";

} // namespace vireo
