#include "lists/CMediaInfo.h"

#include <QFile>
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// The library's header needs size_t declared first.
#include <MediaInfoDLL/MediaInfoDLL_Static.h>

namespace
{

// Bit of the status the library answers each chunk with: it needs no more data.
constexpr std::size_t kStatusFinalized = 0x08;
// The library's answer when it does not ask to read elsewhere.
constexpr MediaInfo_int64u kNoSeek = static_cast<MediaInfo_int64u>(-1);

std::wstring Wide(const QString &text)
{
    return text.toStdWString();
}

// The library's answers live in a buffer of the handle that the next call
// overwrites: each one is copied at once.
QString Copy(const wchar_t *text)
{
    return text != nullptr ? QString::fromWCharArray(text) : QString();
}

} // namespace

const QString CMediaInfo::kUnavailableText = QStringLiteral("Unable to load MediaInfo.dll");

CMediaInfo::CMediaInfo() : m_pHandle(MediaInfo_New()) {}

CMediaInfo::~CMediaInfo()
{
    if (m_pHandle != nullptr)
        MediaInfo_Delete(m_pHandle);
}

void CMediaInfo::SetStandardReport()
{
    MediaInfo_Option(m_pHandle, L"Complete", L"");
}

void CMediaInfo::Open(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        file.reset();
    Open(std::move(file), path);
}

void CMediaInfo::Open(std::unique_ptr<QIODevice> source, const QString &path)
{
    m_pSource.reset();
    m_nBytesRead = 0;
    if (m_pHandle == nullptr)
        return;
    // Forget the previous file: a file that cannot be read has no values.
    MediaInfo_Close(m_pHandle);
    if (source == nullptr)
        return;
    SetStandardReport();
    MediaInfo_Option(m_pHandle, L"File_FileName", Wide(path).c_str());
    m_qwFileSize = static_cast<std::uint64_t>(std::max<qint64>(0, source->size()));
    m_pSource = std::move(source);
    MediaInfo_Open_Buffer_Init(m_pHandle, m_qwFileSize, 0);
}

bool CMediaInfo::ReadStep()
{
    if (IsComplete())
        return true;
    std::vector<MediaInfo_int8u> chunk(static_cast<std::size_t>(kChunkBytes));
    const qint64 read = m_pSource->read(reinterpret_cast<char *>(chunk.data()), kChunkBytes);
    if (read <= 0) {
        Finish();
        return true;
    }
    m_nBytesRead += read;
    const std::size_t status = MediaInfo_Open_Buffer_Continue(m_pHandle, chunk.data(), static_cast<std::size_t>(read));
    if ((status & kStatusFinalized) != 0 || m_nBytesRead >= kMaxBytesRead || !FollowSeekRequest())
        Finish();
    return IsComplete();
}

// The library may ask for the data elsewhere in the file (the tags at its
// end, a header after the data); false when that place cannot be reached.
bool CMediaInfo::FollowSeekRequest()
{
    const MediaInfo_int64u offset = MediaInfo_Open_Buffer_Continue_GoTo_Get(m_pHandle);
    if (offset == kNoSeek)
        return true;
    if (offset >= m_qwFileSize || !m_pSource->seek(static_cast<qint64>(offset)))
        return false;
    MediaInfo_Open_Buffer_Init(m_pHandle, m_qwFileSize, offset);
    return true;
}

void CMediaInfo::Finish()
{
    m_pSource.reset();
    MediaInfo_Open_Buffer_Finalize(m_pHandle);
}

QString CMediaInfo::GetGeneral(const QString &parameter)
{
    if (m_pHandle == nullptr)
        return kUnavailableText;
    return Copy(MediaInfo_Get(m_pHandle, MediaInfo_Stream_General, 0, Wide(parameter).c_str(), MediaInfo_Info_Text,
                              MediaInfo_Info_Name));
}

QString CMediaInfo::Inform()
{
    if (m_pHandle == nullptr)
        return kUnavailableText;
    SetStandardReport();
    return Copy(MediaInfo_Inform(m_pHandle, 0));
}
