#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace Corvane::Zip {

// The zip component: previews (lists) and zips the files named by a list of
// file entries, raising events as it goes. The file walk and the
// compression run on a worker thread; every event is raised on the thread that
// owns the component (the UI thread), in order, through queued delivery.
// Operations return at once with 0 ("started"), or Busy while another one of
// this instance runs; every operation that started ends with exactly one
// ProcessCompleted. Properties are read when an operation starts; changing
// them meanwhile affects the next one.
//
// FilesToProcess: entries each preceded by "|". An entry is a folder joined
//   with a pattern ("c:\pads\*": every file of the folder; '*' and '?' match
//   without regard to case, "*.htm"), a bare folder (as if joined with "*"),
//   or a single file. Folders are found without regard to letter case; a
//   file's reported path is the folder as spelled in the list followed by the
//   names found on disk, joined with the platform's separator. Each folder is
//   walked in name order (exact code-unit order), a subfolder where its name
//   falls; hidden files are included, pipes, sockets, devices and dangling
//   links are not (and are never opened). A folder reached twice within one
//   entry (through links) is walked once. Entries that match nothing are named
//   in the debug output. A folder that cannot be listed, or a file name that
//   is not valid UTF-8, fails the operation (ReadError, lastError() names it).
// LinkFolders: a symbolic link is followed only while its target lies inside
//   the folder of one of the entries or inside one of these folders; the
//   others are left out, named in the debug output and in skippedLinks().
// IncludeSubfolders (the first flag option): walk into subfolders; entry
//   names keep their subfolder parts.
// PreservePaths (the second flag option): a file's default name (sFilename)
//   is its reported path less its root ("/" or "c:\"); off, the bare file name.
// MetadataOptions (the numeric option): a bit set of what each entry carries
//   besides its data (see MetadataOption); 2570 (0x0A0A) selects all four and
//   is the value on construction.
// ArchivePath: the archive file. Zip replaces it with the archive when the
//   whole archive was written; when the operation fails or is cancelled the
//   file is left exactly as it was (an empty temporary file stays empty), and
//   no temporary file is left beside it.
//
// Entries are named with '/' between parts, in UTF-8 (with the language
// encoding flag on non-ASCII names), never absolute and never with "." or
// ".." parts: the name a handler leaves is cut down to a safe relative name
// (Naming::sanitise). Names are compared exactly (case-sensitively): of two
// kept files with the same name the first is stored and each later one is
// left out and named in the debug output; "Index.htm" and "index.htm" are two
// entries. Files whose content is compressed already (by extension: images,
// fonts, archives, audio, video, PDF) are stored, the others deflated at
// level 6. Archives with more than 65,535 entries or files over 4 GiB get
// zip64 records as needed. An empty list gives a valid empty archive.
//
// Destroying the component while it works stops the work cleanly: the worker
// is cancelled and joined, no event is raised after destruction, and
// ArchivePath is left as it was.
class ZipComponent : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FilesToProcess READ filesToProcess WRITE setFilesToProcess)
    Q_PROPERTY(QString ArchivePath READ archivePath WRITE setArchivePath)
    Q_PROPERTY(bool IncludeSubfolders READ includeSubfolders WRITE setIncludeSubfolders)
    Q_PROPERTY(bool PreservePaths READ preservePaths WRITE setPreservePaths)
    Q_PROPERTY(qint32 MetadataOptions READ metadataOptions WRITE setMetadataOptions)
    Q_PROPERTY(QStringList LinkFolders READ linkFolders WRITE setLinkFolders)
public:
    explicit ZipComponent(QObject *parent = nullptr);
    ~ZipComponent() override;

    QString filesToProcess() const;
    void setFilesToProcess(const QString &files);
    QString archivePath() const;
    void setArchivePath(const QString &path);
    bool includeSubfolders() const;
    void setIncludeSubfolders(bool on);
    bool preservePaths() const;
    void setPreservePaths(bool on);
    qint32 metadataOptions() const;
    void setMetadataOptions(qint32 options);
    QStringList linkFolders() const;
    void setLinkFolders(const QStringList &folders);

    // Lists every file the list reaches (PreviewingFile per file, then
    // ProcessCompleted). The argument is not used.
    Q_INVOKABLE int Preview(bool reserved);
    // Writes the archive: ZipPreprocessingFile per file, all of them before
    // the compression starts; GlobalStatus while compressing; then
    // ProcessCompleted. A file that cannot be read fails the whole operation
    // (ReadError, lastError() names the file) and no archive is written.
    Q_INVOKABLE int Zip();
    // Stops the operation under way; it ends with ProcessCompleted(Cancelled)
    // and raises no further per-file event.
    Q_INVOKABLE void Cancel();

    // Whether an operation is under way (until its ProcessCompleted is raised).
    bool isBusy() const;
    // Readable reason of the last failed operation (empty after success).
    QString lastError() const;
    // The links the last operation left out because they lead outside the
    // folders allowed (LinkFolders), each "link -> target", in walk order.
    QStringList skippedLinks() const;

signals:
    // Dates are in UTC. bExcluded is always false, xReason 0.
    void PreviewingFile(const QString &sFilename, const QString &sSourceFilename, qint64 lSize,
                        qint32 xAttributes, const QDateTime &dtLastModified,
                        const QDateTime &dtLastAccessed, const QDateTime &dtCreated, bool bExcluded,
                        qint32 xReason);
    // sFilename and bExcluded are in-out: a handler may rename or exclude the
    // file. xMethod is 0 (stored) or 8 (deflated); bExisting is always false
    // (an archive is always written anew).
    void ZipPreprocessingFile(QString *sFilename, const QString &sComment,
                              const QString &sSourceFilename, qint64 lSize, qint32 xAttributes,
                              const QDateTime &dtLastModified, const QDateTime &dtLastAccessed,
                              const QDateTime &dtCreated, qint32 xMethod, bool bEncrypted,
                              const QString &sPassword, bool *bExcluded, qint32 xReason,
                              bool bExisting);
    // Raised whenever the share of bytes stored reaches a new whole percent,
    // from 0 to 100. Totals count every file found; skipped ones are those
    // excluded or left out as duplicates; the percents are of what is stored.
    // lBytesOutput and nCompressionRatio are 0 until the last status.
    void GlobalStatus(qint32 lFilesTotal, qint32 lFilesProcessed, qint32 lFilesSkipped,
                      qint16 nFilesPercent, qint64 lBytesTotal, qint64 lBytesProcessed,
                      qint64 lBytesSkipped, qint16 nBytesPercent, qint64 lBytesOutput,
                      qint16 nCompressionRatio);
    // nCompressionRatio: the percent of the stored bytes saved by compression.
    void ProcessCompleted(qint32 lFilesTotal, qint32 lFilesProcessed, qint32 lFilesSkipped,
                          qint64 lBytesTotal, qint64 lBytesProcessed, qint64 lBytesSkipped,
                          qint64 lBytesOutput, qint16 nCompressionRatio, qint32 xResult);

private:
    struct Private;
    std::unique_ptr<Private> d;
    Q_DISABLE_COPY_MOVE(ZipComponent)
};

// Bits of MetadataOptions.
namespace MetadataOption {
// The file's modification time; without it every entry carries 1980-01-01 00:00
// (and no extended timestamp), so that the same files give the same archive.
constexpr qint32 ModificationTime = 0x0002;
// The file's Unix mode in the external attributes; without it MS-DOS attributes
// (read-only, hidden, archive) and the extractor's default permissions.
constexpr qint32 UnixPermissions = 0x0008;
// The extended timestamp also carries the last access time (local header only).
constexpr qint32 AccessTime = 0x0200;
// The extended timestamp extra field (0x5455, "UT"): the modification time in
// UTC seconds, which extractors prefer to the local-time MS-DOS field.
constexpr qint32 ExtendedTimestamp = 0x0800;
constexpr qint32 All = 0x0A0A;
} // namespace MetadataOption

// xAttributes bits of PreviewingFile and ZipPreprocessingFile (MS-DOS style).
namespace FileAttribute {
constexpr qint32 ReadOnly = 0x01; // the owner may not write the file
constexpr qint32 Hidden = 0x02;   // the name begins with "."
constexpr qint32 System = 0x04;
constexpr qint32 Archive = 0x20; // set on every file
} // namespace FileAttribute

// xResult codes of ProcessCompleted.
namespace ZipResult {
constexpr qint32 Success = 0;
constexpr qint32 Cancelled = 1;
constexpr qint32 ReadError = 2;  // a file could not be read; lastError() names it
constexpr qint32 WriteError = 3; // the archive could not be written
constexpr qint32 Busy = 4;       // an operation is already under way
} // namespace ZipResult

} // namespace Corvane::Zip
