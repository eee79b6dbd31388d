#include "lists/CMediaInfo.h"

#include <QFile>
#include <QtGlobal>
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// The library's header needs size_t declared first.
#include <MediaInfoDLL/MediaInfoDLL_Static.h>
#include <dlfcn.h>

namespace
{

constexpr const char *kLibraryName = "libmediainfo.so.0";

// The library's C interface as the header declares it, bound by name.
struct SMediaInfoApi {
    decltype(&::MediaInfo_New) New = nullptr;
    decltype(&::MediaInfo_Delete) Delete = nullptr;
    decltype(&::MediaInfo_Option) Option = nullptr;
    decltype(&::MediaInfo_Close) Close = nullptr;
    decltype(&::MediaInfo_Open_Buffer_Init) Open_Buffer_Init = nullptr;
    decltype(&::MediaInfo_Open_Buffer_Continue) Open_Buffer_Continue = nullptr;
    decltype(&::MediaInfo_Open_Buffer_Continue_GoTo_Get) Open_Buffer_Continue_GoTo_Get = nullptr;
    decltype(&::MediaInfo_Open_Buffer_Finalize) Open_Buffer_Finalize = nullptr;
    decltype(&::MediaInfo_Get) Get = nullptr;
    decltype(&::MediaInfo_Inform) Inform = nullptr;
};

template <typename T> bool Bind(void *library, const char *name, T &slot)
{
    slot = reinterpret_cast<T>(dlsym(library, name));
    return slot != nullptr;
}

bool BindAll(void *library, SMediaInfoApi &api)
{
    return Bind(library, "MediaInfo_New", api.New) && Bind(library, "MediaInfo_Delete", api.Delete) &&
           Bind(library, "MediaInfo_Option", api.Option) && Bind(library, "MediaInfo_Close", api.Close) &&
           Bind(library, "MediaInfo_Open_Buffer_Init", api.Open_Buffer_Init) &&
           Bind(library, "MediaInfo_Open_Buffer_Continue", api.Open_Buffer_Continue) &&
           Bind(library, "MediaInfo_Open_Buffer_Continue_GoTo_Get", api.Open_Buffer_Continue_GoTo_Get) &&
           Bind(library, "MediaInfo_Open_Buffer_Finalize", api.Open_Buffer_Finalize) &&
           Bind(library, "MediaInfo_Get", api.Get) && Bind(library, "MediaInfo_Inform", api.Inform);
}

// Loaded once per process, at the first description, and kept to its end;
// null when the library is missing or lacks an entry point.
const SMediaInfoApi *Api()
{
    static const SMediaInfoApi *const api = []() -> const SMediaInfoApi * {
        static SMediaInfoApi bound;
        void *library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr && BindAll(library, bound))
            return &bound;
        qWarning("Media descriptions are unavailable: %s could not be loaded (%s)", kLibraryName,
                 library == nullptr ? dlerror() : "an entry point is missing");
        return nullptr;
    }();
    return api;
}

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

const QString CMediaInfo::kUnavailableText = QStringLiteral("Unable to load libmediainfo.so.0");

CMediaInfo::CMediaInfo() = default;

CMediaInfo::~CMediaInfo()
{
    if (m_pHandle != nullptr)
        Api()->Delete(m_pHandle);
}

bool CMediaInfo::IsAvailable()
{
    if (m_pHandle == nullptr && Api() != nullptr)
        m_pHandle = Api()->New();
    return m_pHandle != nullptr;
}

void CMediaInfo::SetStandardReport()
{
    Api()->Option(m_pHandle, L"Complete", L"");
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
    if (!IsAvailable())
        return;
    // Forget the previous file: a file that cannot be read has no values.
    Api()->Close(m_pHandle);
    if (source == nullptr)
        return;
    SetStandardReport();
    Api()->Option(m_pHandle, L"File_FileName", Wide(path).c_str());
    m_qwFileSize = static_cast<std::uint64_t>(std::max<qint64>(0, source->size()));
    m_pSource = std::move(source);
    Api()->Open_Buffer_Init(m_pHandle, m_qwFileSize, 0);
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
    const std::size_t status = Api()->Open_Buffer_Continue(m_pHandle, chunk.data(), static_cast<std::size_t>(read));
    if ((status & kStatusFinalized) != 0 || m_nBytesRead >= kMaxBytesRead || !FollowSeekRequest())
        Finish();
    return IsComplete();
}

// The library may ask for the data elsewhere in the file (the tags at its
// end, a header after the data); false when that place cannot be reached.
bool CMediaInfo::FollowSeekRequest()
{
    const MediaInfo_int64u offset = Api()->Open_Buffer_Continue_GoTo_Get(m_pHandle);
    if (offset == kNoSeek)
        return true;
    if (offset >= m_qwFileSize || !m_pSource->seek(static_cast<qint64>(offset)))
        return false;
    Api()->Open_Buffer_Init(m_pHandle, m_qwFileSize, offset);
    return true;
}

void CMediaInfo::Finish()
{
    m_pSource.reset();
    Api()->Open_Buffer_Finalize(m_pHandle);
}

QString CMediaInfo::GetGeneral(const QString &parameter)
{
    if (m_pHandle == nullptr)
        return kUnavailableText;
    return Copy(Api()->Get(m_pHandle, MediaInfo_Stream_General, 0, Wide(parameter).c_str(), MediaInfo_Info_Text,
                           MediaInfo_Info_Name));
}

QString CMediaInfo::Inform()
{
    if (m_pHandle == nullptr)
        return kUnavailableText;
    SetStandardReport();
    return Copy(Api()->Inform(m_pHandle, 0));
}
