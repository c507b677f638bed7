#include "cleaners/browser_table.h"
#include "settings/target_bits.h"

namespace {

using enum BrowserFamily;
constexpr uint32_t kChrome = InternetBit::Chrome;
constexpr uint32_t kEdge = InternetBit::Edge;
constexpr uint32_t kFirefox = InternetBit::Firefox;
constexpr uint32_t kOther = InternetBit::OtherBrowsers;

const BrowserRow kBrowsers[] = {
    {"Google Chrome", "chrome.exe", kChrome, Chromium, "Google\\Chrome\\User Data"},
    {"Google Chrome Beta", "chrome.exe", kChrome, Chromium, "Google\\Chrome Beta\\User Data"},
    {"Google Chrome Dev", "chrome.exe", kChrome, Chromium, "Google\\Chrome Dev\\User Data"},
    {"Google Chrome Canary", "chrome.exe", kChrome, Chromium, "Google\\Chrome SxS\\User Data"},
    {"Microsoft Edge", "msedge.exe", kEdge, Chromium, "Microsoft\\Edge\\User Data"},
    {"Microsoft Edge Beta", "msedge.exe", kEdge, Chromium, "Microsoft\\Edge Beta\\User Data"},
    {"Microsoft Edge Dev", "msedge.exe", kEdge, Chromium, "Microsoft\\Edge Dev\\User Data"},
    {"Microsoft Edge Canary", "msedge.exe", kEdge, Chromium, "Microsoft\\Edge SxS\\User Data"},
    {"Brave", "brave.exe", kOther, Chromium, "BraveSoftware\\Brave-Browser\\User Data"},
    {"Brave Beta", "brave.exe", kOther, Chromium, "BraveSoftware\\Brave-Browser-Beta\\User Data"},
    {"Brave Nightly", "brave.exe", kOther, Chromium, "BraveSoftware\\Brave-Browser-Nightly\\User Data"},
    {"Vivaldi", "vivaldi.exe", kOther, Chromium, "Vivaldi\\User Data"},
    {"Chromium", "chrome.exe", kOther, Chromium, "Chromium\\User Data"},
    {"Opera", "opera.exe", kOther, Opera, "Opera Software\\Opera Stable"},
    {"Opera GX", "opera.exe", kOther, Opera, "Opera Software\\Opera GX Stable"},
    {"Firefox", "firefox.exe", kFirefox, Firefox, "Mozilla\\Firefox"},
    {"Firefox", "firefox.exe", kFirefox, Firefox, "Packages\\Mozilla.Firefox_n80bbvh6b1yt2\\LocalCache\\Roaming\\Mozilla\\Firefox"},
    {"Waterfox", "waterfox.exe", kOther, Firefox, "Waterfox"},
    {"LibreWolf", "librewolf.exe", kOther, Firefox, "librewolf"},
    {"Pale Moon", "palemoon.exe", kOther, Firefox, "Moonchild Productions\\Pale Moon"},
    {"Floorp", "floorp.exe", kOther, Firefox, "Floorp"},
    {"Zen", "zen.exe", kOther, Firefox, "zen"},
    {"Mullvad Browser", "mullvadbrowser.exe", kOther, Firefox, "Mullvad\\MullvadBrowser"},
};

}  // namespace

std::span<const BrowserRow> Browsers() { return kBrowsers; }
