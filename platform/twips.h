#pragma once

// The unit both programs lay their windows out in, and the main window's
// docking rules reason in: 15 twips to a device-independent pixel. It lives
// this low so that the docking rules, which have no widgets, and the form
// geometry of widgets/ share one number.
namespace form {

inline constexpr int kTwipsPerPixel = 15;

} // namespace form
