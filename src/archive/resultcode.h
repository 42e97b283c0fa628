#pragma once
// The result codes of packing and unpacking. 0 is success; a few codes are
// success with a note, and the callers accept them as success; every
// failure has its own code and description, so that a message quoting the
// code tells what went wrong.

#include <QString>

namespace archive {

enum ResultCode : int {
    kSuccess = 0,
    // Unpacking: the archive holds no member to unpack (success, nothing done).
    kNothingToUnpack = 509,
    // Packing: some files to process were not found and were left out.
    kSkippedMissingFiles = 526,
    // Packing: a file to process was named twice, or two files share a
    // member name; the later ones were left out. Unpacking: folder entries
    // were only created as folders.
    kSkippedEntries = 527,

    kArchiveMissing = 601,   // the archive file does not exist or cannot be read
    kNotAnArchive = 602,     // not a ZIP archive, or cut short
    kDamaged = 603,          // the directory and the entries disagree
    kWrongPassword = 604,    // the password does not open the members
    kIntegrityFailed = 605,  // a member's CRC or authentication code is wrong
    kUnsafeName = 606,       // absolute, "..", a drive, a backslash, a control character
    kLinkMember = 607,       // a link or another special file
    kTooLarge = 608,         // a member, the whole or its compression ratio beyond bounds
    kDiskFull = 609,         // not enough free space where the files go
    kWriteFailed = 610,      // a file could not be written
    kReadFailed = 611,       // a file to process could not be read
    kCancelled = 612,        // abort() was called
    kUnsupported = 613,      // compression or encryption method not supported
    kNotEncrypted = 614,     // a password is set but a member is not encrypted with it
    kDuplicateMember = 615,  // two members with the same name
    kNoFilesToProcess = 616, // packing with nothing to pack
    kNoDestination = 617,    // the folder to unpack into cannot be created
    kNoArchiveName = 618,    // no archive file name was set
};

// Success and the accepted notes of each operation.
bool packSucceeded(int code);
bool unzipSucceeded(int code);

// The description of a code, for a message box ("Unknown result code." for
// codes outside the table).
QString resultDescription(int code);

} // namespace archive
