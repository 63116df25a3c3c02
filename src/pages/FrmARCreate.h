#pragma once

#include "Page.h"

class QLabel;

namespace platform {
class Animation;
class ProgressBar;
} // namespace platform

// Creation page, shown while the picked files are copied into the package.
class FrmARCreate : public Page
{
public:
    FrmARCreate();

    platform::Animation *Animation1() { return loaded(m_animation); }
    QLabel *lblStatus() { return loaded(m_lblStatus); }
    platform::ProgressBar *pgbStatus() { return loaded(m_pgbStatus); }

protected:
    void build(PageWindow &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    platform::Animation *m_animation = nullptr;
    QLabel *m_lblStatus = nullptr;
    platform::ProgressBar *m_pgbStatus = nullptr;
};
