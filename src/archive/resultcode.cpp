#include "archive/resultcode.h"

namespace archive {

bool packSucceeded(int code)
{
    return code == kSuccess || code == kSkippedMissingFiles || code == kSkippedEntries;
}

bool unzipSucceeded(int code)
{
    return code == kSuccess || code == kNothingToUnpack || code == kSkippedEntries;
}

QString resultDescription(int code)
{
    switch (code) {
    case kSuccess:
        return QStringLiteral("The operation completed successfully.");
    case kNothingToUnpack:
        return QStringLiteral("The archive holds no file to unpack.");
    case kSkippedMissingFiles:
        return QStringLiteral("Some files to process were not found and were left out.");
    case kSkippedEntries:
        return QStringLiteral("Some entries were skipped: files named twice, or folder entries.");
    case kArchiveMissing:
        return QStringLiteral("The archive file does not exist or cannot be read.");
    case kNotAnArchive:
        return QStringLiteral("The file is not a ZIP archive, or it has been cut short.");
    case kDamaged:
        return QStringLiteral("The archive is damaged: its directory and its contents disagree.");
    case kWrongPassword:
        return QStringLiteral("The password is not the one the archive was made with.");
    case kIntegrityFailed:
        return QStringLiteral("A file in the archive failed its integrity check: the archive "
                              "was damaged or changed.");
    case kUnsafeName:
        return QStringLiteral("A file in the archive has an unsafe name (an absolute path, "
                              "\"..\", a drive or a backslash).");
    case kLinkMember:
        return QStringLiteral("The archive holds a link or another special file.");
    case kTooLarge:
        return QStringLiteral("A file in the archive, or the archive as a whole, is larger "
                              "than allowed.");
    case kDiskFull:
        return QStringLiteral("There is not enough free disk space.");
    case kWriteFailed:
        return QStringLiteral("A file could not be written.");
    case kReadFailed:
        return QStringLiteral("A file to process could not be read.");
    case kCancelled:
        return QStringLiteral("The operation was cancelled.");
    case kUnsupported:
        return QStringLiteral("The archive uses a compression or encryption method that is "
                              "not supported.");
    case kNotEncrypted:
        return QStringLiteral("A file in the archive is not protected by the password.");
    case kDuplicateMember:
        return QStringLiteral("The archive holds two files of the same name.");
    case kNoFilesToProcess:
        return QStringLiteral("There are no files to process.");
    case kNoDestination:
        return QStringLiteral("The folder to unpack into cannot be created.");
    case kNoArchiveName:
        return QStringLiteral("No archive file name was given.");
    default:
        return QStringLiteral("Unknown result code.");
    }
}

} // namespace archive
