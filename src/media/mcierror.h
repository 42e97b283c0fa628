#pragma once
// Result codes of the sound player and of the command strings. The numbers
// are the classic multimedia-command error numbers, so that stored or logged
// codes mean the same thing everywhere; 0 is success.

namespace media {

enum MciError : int {
    MciOk = 0,
    MciInvalidDeviceId = 257,      // no device open under that alias
    MciUnrecognizedKeyword = 259,  // a word the command does not know
    MciUnrecognizedCommand = 261,  // the verb itself is unknown
    MciHardware = 262,             // the device (drive, output) failed
    MciInvalidDeviceName = 263,    // no device of that type
    MciDeviceOpen = 265,           // the device is already open
    MciCannotLoadDriver = 266,     // the machinery behind the device failed to start
    MciMissingCommandString = 267, // an empty command
    MciBadInteger = 270,           // a number that is not one
    MciMissingParameter = 273,     // a keyword without its value
    MciUnsupportedFunction = 274,  // a verb the device cannot do
    MciFileNotFound = 275,         // the file does not exist
    MciDeviceNotReady = 276,       // not open, or no disc in the drive
    MciExtensionNotFound = 281,    // no player for that kind of file
    MciOutOfRange = 282,           // a position or track beyond the end
    MciDuplicateAlias = 289,       // an alias already in use
    MciBadTimeFormat = 293,        // only milliseconds (format 0) are known
    MciNoClosingQuote = 294,       // a quoted path without its end
    MciInvalidFile = 296,          // the file exists but cannot be played
};

} // namespace media
