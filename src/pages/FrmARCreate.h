#pragma once

#include "Page.h"

// Creation page, shown while the picked files are copied into the package.
class FrmARCreate : public Page
{
public:
    FrmARCreate();

    static form::PageLayout layout();

    form::Animation *Animation1() { return loaded(m_animation); }
    form::Label *lblStatus() { return loaded(m_lblStatus); }
    form::ProgressBar *pgbStatus() { return loaded(m_pgbStatus); }

protected:
    void build(form::Window &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    form::Animation *m_animation = nullptr;
    form::Label *m_lblStatus = nullptr;
    form::ProgressBar *m_pgbStatus = nullptr;
};
