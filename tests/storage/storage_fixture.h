#pragma once

#include "storage/domain.h"
#include "storage/project_document.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace CorvTest {

// What the user was told, as "error N" and "ask N".
inline std::vector<std::string> MessageLines(const SinkLog& log) {
    std::vector<std::string> lines;
    for (const SinkCall& call : log.Calls())
        lines.push_back((call.question ? "ask " : "error ") + std::to_string(call.code));
    return lines;
}

// Each case starts from a fresh store and no open documents, with a recording sink installed
// and a work folder of its own.
class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
        m_sink = InstallScriptedSink(Corv::kAnswerYes);
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
    }
    void TearDown() override {
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
    }

    Corv::CProjectDocuments& Docs() { return Corv::CProjectDocuments::Get(); }
    std::string Project(const std::string& name) const {
        return m_dir.Path() + "/" + name + ".prj/";
    }
    Corv::CProjectDocument& Open(const std::string& folder) {
        Corv::CProjectDocument* document = Docs().OpenProject(folder);
        if (document == nullptr)
            throw std::runtime_error("project did not load: " + folder);
        return *document;
    }
    std::vector<std::string> Messages() const { return MessageLines(*m_sink); }

    TempDir m_dir;
    TempDir m_work;
    ScopedDataHome m_dataHome{m_dir.Path()};
    std::shared_ptr<SinkLog> m_sink;
};

} // namespace CorvTest
