#pragma once

#include "Page.h"

class Animation;
class QLabel;

namespace platform {
class ProgressBar;
} // namespace platform

// Creation page, shown while the picked files are copied into the package.
class FrmARCreate : public Page
{
public:
    FrmARCreate();

    Animation *Animation1();
    QLabel *lblStatus();
    platform::ProgressBar *pgbStatus();

protected:
    void build(PageWindow &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    Animation *m_animation = nullptr;
    QLabel *m_lblStatus = nullptr;
    platform::ProgressBar *m_pgbStatus = nullptr;
};
