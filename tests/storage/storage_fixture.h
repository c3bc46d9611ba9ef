#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "edit/domain.h"
#include "storage/project_document.h"
#include "support/project_builder.h"

namespace CorvTest {

// Records what the core tells the user ("error N" / "ask S N") and answers questions from a
// queue, then with a default.
class RecordingSink : public Corv::CTextOutBox {
public:
    void ShowError(int code) override { m_log.push_back("error " + std::to_string(code)); }
    int Ask(int buttonSet, int code) override {
        m_log.push_back("ask " + std::to_string(buttonSet) + " " + std::to_string(code));
        if (m_answers.empty())
            return m_defaultAnswer;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    std::vector<std::string> m_log;
    std::deque<int> m_answers;
    int m_defaultAnswer = Corv::kAnswerYes;
};

// Each case starts from a fresh store and no open documents, with a recording sink installed
// and a work folder of its own.
class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
        auto sink = std::make_unique<RecordingSink>();
        m_sink = sink.get();
        Corv::CDomain::Get().SetMessageSink(std::move(sink));
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
    }
    void TearDown() override {
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
    }

    Corv::CProjectDocuments& Docs() { return Corv::CProjectDocuments::Get(); }
    std::string Project(const std::string& name) const { return m_dir.Path() + "/" + name + ".prj/"; }
    Corv::CProjectDocument& Open(const std::string& folder) {
        Corv::CProjectDocument* document = Docs().OpenProject(folder);
        if (document == nullptr)
            throw std::runtime_error("project did not load: " + folder);
        return *document;
    }
    const std::vector<std::string>& Messages() const { return m_sink->m_log; }

    TempDir m_dir;
    TempDir m_work;
    RecordingSink* m_sink = nullptr;
};

} // namespace CorvTest
