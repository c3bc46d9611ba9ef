#include "support/fresh_store.h"

#include "storage/domain.h"
#include "storage/project_document.h"

namespace CorvTest {

FreshStore::FreshStore() {
    Empty();
}

FreshStore::~FreshStore() {
    Empty();
}

void FreshStore::Empty() {
    Corv::CProjectDocuments& documents = Corv::CProjectDocuments::Get();
    documents.CloseAll();
    documents.UndoStep().Clear();
    documents.SetLockWait(Corv::kDefaultLockWait);
    Corv::CDomain::Reset();
}

std::shared_ptr<SinkLog> FreshStore::InstallSink(int defaultAnswer) {
    auto log = std::make_shared<SinkLog>();
    log->SetDefaultAnswer(defaultAnswer);
    Services().SetMessageSink(std::make_unique<ScriptedSink>(log));
    return log;
}

void FreshStore::SetWorkFolder(const std::string& folder) {
    Services().m_workFolder = folder;
}

void FreshStore::SetLockWait(std::chrono::milliseconds wait) {
    Corv::CProjectDocuments::Get().SetLockWait(wait);
}

Corv::CDomain& FreshStore::Services() {
    return Corv::CProjectDocuments::Get().Services();
}

Corv::CUndoStep& FreshStore::UndoStep() {
    return Corv::CProjectDocuments::Get().UndoStep();
}

} // namespace CorvTest
