#include "cli/session.h"

#include "cli/arguments.h"
#include "edit/domain.h"
#include "edit/work_folder.h"
#include "storage/project_document.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

namespace fs = std::filesystem;

namespace Corv::Cli {

namespace {

// A new, private folder under the system's temporary folder.
std::string MakeTemporaryFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::string pattern = (error ? fs::path("/tmp") : base).string() + "/corvane-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

std::string WithSlash(const std::string& folder) {
    std::string path = fs::path(folder).generic_string();
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

CSession::CSession(AnswerPolicy policy) {
    CDomain& domain = CDomain::Get();
    auto sink = std::make_unique<CConsoleSink>(std::cout, policy);
    m_sink = sink.get();
    domain.SetMessageSink(std::move(sink));
    domain.SetTextBuffer(std::make_unique<CLumTextOutBuffer>());
    domain.m_pathSeparator = "/";
}

CSession::~CSession() {
    Finish();
}

bool CSession::Start(std::string& error) {
    const char* named = std::getenv(kWorkFolderVariable);
    std::string folder;
    if (named != nullptr && *named != '\0') {
        folder = AbsolutePath(named);
        std::error_code ignored;
        fs::create_directories(folder, ignored);
        if (!fs::is_directory(folder, ignored)) {
            error = "cannot create the work folder " + folder;
            return false;
        }
    } else {
        folder = MakeTemporaryFolder();
        if (folder.empty()) {
            error = "cannot create a temporary work folder";
            return false;
        }
        m_temporary = true;
    }
    m_workFolder = WithSlash(folder);
    CDomain::Get().m_workFolder = m_workFolder;
    return true;
}

CProjectDocument* CSession::Open(const std::string& folder) {
    return CProjectDocuments::Get().OpenProject(AbsolutePath(folder));
}

void CSession::Finish() {
    // Closing hands files that other open projects still use over to the work folder; nothing
    // of that outlives the run, so the documents go before the work folder is emptied.
    CProjectDocuments::Get().CloseAll();
    CDomain::Get().ClearTransfer();
    CDomain::Get().ClearUndo();
    if (m_workFolder.empty())
        return;
    EmptyWorkFolder(m_workFolder);
    if (m_temporary) {
        std::error_code ignored;
        fs::remove_all(m_workFolder, ignored);
    }
    m_workFolder.clear();
}

} // namespace Corv::Cli
