#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QTest>
#include <memory>
#include <string>

#include "app/file_doc.h"
#include "edit/domain.h"
#include "storage/project_document.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"
#include "ui/choosers.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

// Ground shared by the window tests: settings in a folder of their own, and each case started
// from a fresh store, no open documents, a recording message sink and real dialogs replaced.
namespace CorvUiTest {

inline void UseTestSettings(const QString& folder) {
    QCoreApplication::setOrganizationName(QStringLiteral("CorvaneTest"));
    QCoreApplication::setApplicationName(QStringLiteral("UiTests"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// A fresh world for one case.
class World {
public:
    World() {
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
        m_sink = CorvTest::InstallScriptedSink();
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
        CUiChoosers::Reset();
        // Any dialog a case did not script fails the case instead of blocking it.
        CUiChoosers::Get().notice = [this](QWidget*, const QString& text) { m_notices << text; };
        QSettings().clear();
    }
    ~World() {
        CUiChoosers::Reset();
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
    }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    std::string Folder(const std::string& name) const { return m_dir.Path() + "/" + name + ".prj/"; }
    Corv::CProjectDocument* Open(const std::string& folder) {
        return Corv::CProjectDocuments::Get().OpenProject(folder);
    }
    // A project window over an open document, shown at a fixed size.
    std::unique_ptr<CFileView> Show(Corv::CProjectDocument& document, QSize size = {1100, 420}) {
        m_docs.push_back(std::make_unique<CFileDoc>(document));
        auto view = std::make_unique<CFileView>(*m_docs.back());
        view->resize(size);
        view->show();
        return view;
    }
    const std::string& WorkFolder() const { return m_work.Path(); }
    std::string Scratch(const std::string& name) const { return m_dir / name; }

    std::shared_ptr<CorvTest::SinkLog> m_sink;
    QStringList m_notices;

private:
    CorvTest::TempDir m_dir;
    CorvTest::TempDir m_work;
    std::vector<std::unique_ptr<CFileDoc>> m_docs;
};

// The centre of a cell in the list's viewport.
inline QPoint CellCentre(const CParameterListCtrl& list, int row, int column) {
    return list.visualRect(list.model()->index(row, column)).center();
}

} // namespace CorvUiTest
