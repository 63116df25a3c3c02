// Runs every scenario of the INI behaviour vectors: a fresh base folder with the scenario's folders
// and files, the ops in order, then the reads, the final bytes of every file and the absence of
// anything else are compared. Once in-process and once through the ini-adapter program.
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "IniOps.h"

namespace {

const QString VectorsPath = QStringLiteral(QUERNEL_SOURCE_DIR "/tests/data/ini-vectors/public.jsonl");

// Vectors judged faulty, with the reason; none so far.
const std::vector<std::pair<QString, QString>> SkippedVectors = {};

struct Vector
{
    QString name;
    QJsonObject data;
};

void PrintTo(const Vector &vector, std::ostream *out)
{
    *out << vector.name.toStdString();
}

std::vector<Vector> loadVectors()
{
    std::vector<Vector> vectors;
    QFile file(VectorsPath);
    if (file.open(QIODevice::ReadOnly)) {
        for (int number = 1; !file.atEnd(); ++number) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty())
                continue;
            const QJsonObject data = QJsonDocument::fromJson(line).object();
            vectors.push_back({data.isEmpty() ? QStringLiteral("Unreadable line %1").arg(number)
                                              : data.value("name").toString(),
                               data});
        }
    }
    // A missing or empty file must not let the scenarios drop out unnoticed: one empty scenario
    // stands in for them and fails.
    if (vectors.empty())
        vectors.push_back({});
    return vectors;
}

std::string testName(const testing::TestParamInfo<Vector> &info)
{
    if (info.param.name.isEmpty())
        return "VectorsMissingOrEmpty";
    std::string name;
    for (const QChar c : info.param.name)
        name += c.isLetterOrNumber() && c.unicode() < 0x80 ? char(c.unicode()) : '_';
    return name;
}

QByteArray base64(const QJsonValue &value)
{
    return QByteArray::fromBase64(value.toString().toLatin1());
}

class IniVectorTest : public testing::TestWithParam<Vector>
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(GetParam().name.isEmpty())
            << VectorsPath.toStdString() << ": missing, unreadable or without scenarios";
        ASSERT_FALSE(GetParam().data.isEmpty())
            << VectorsPath.toStdString() << ": " << GetParam().name.toStdString();
        for (const auto &[name, reason] : SkippedVectors) {
            if (name == GetParam().name)
                GTEST_SKIP() << reason.toStdString();
        }
        ASSERT_TRUE(m_base.isValid());
        const QJsonObject &data = GetParam().data;
        for (const QJsonValue dir : data.value("dirs").toArray())
            ASSERT_TRUE(QDir(m_base.path()).mkpath(dir.toString()));
        const QJsonObject files = data.value("initial_files").toObject();
        for (auto it = files.begin(); it != files.end(); ++it) {
            QFile file(path(it.key()));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << it.key().toStdString();
            file.write(base64(it.value()));
        }
    }

    QString path(const QString &relative) const { return m_base.path() + u'/' + relative; }

    QStringList ops() const
    {
        QStringList lines;
        for (const QJsonValue op : GetParam().data.value("ops").toArray())
            lines << op.toString();
        return lines;
    }

    void expectReads(const std::vector<QByteArray> &reads) const
    {
        const QJsonArray expected = GetParam().data.value("expected_reads").toArray();
        ASSERT_EQ(qsizetype(reads.size()), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(reads[size_t(i)], IniOps::decodeField(expected[i].toString().toLatin1()))
                << "read #" << i + 1;
        }
    }

    // Every file of final_files as bytes (or absent), initial files not listed unchanged, and no
    // other file or folder.
    void expectFinalFolder() const
    {
        const QJsonObject &data = GetParam().data;
        std::set<QString> allowed;
        auto allow = [&](QString relative) {
            for (; !relative.isEmpty() && relative != "."; relative = QFileInfo(relative).path())
                allowed.insert(QDir::cleanPath(relative));
        };
        for (const QJsonValue dir : data.value("dirs").toArray())
            allow(dir.toString());

        const QJsonObject initial = data.value("initial_files").toObject();
        const QJsonObject final = data.value("final_files").toObject();
        for (auto it = initial.begin(); it != initial.end(); ++it) {
            allow(it.key());
            if (!final.contains(it.key()))
                EXPECT_EQ(readFile(it.key()), base64(it.value())) << it.key().toStdString();
        }
        for (auto it = final.begin(); it != final.end(); ++it) {
            if (it.value().isNull()) {
                EXPECT_FALSE(QFileInfo::exists(path(it.key())))
                    << it.key().toStdString() << " must not exist";
                continue;
            }
            allow(it.key());
            EXPECT_EQ(readFile(it.key()), base64(it.value())) << it.key().toStdString();
        }

        QDirIterator found(m_base.path(),
                           QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
        while (found.hasNext()) {
            const QString relative = QDir(m_base.path()).relativeFilePath(found.next());
            EXPECT_TRUE(allowed.count(relative)) << "unexpected " << relative.toStdString();
        }
    }

    QByteArray readFile(const QString &relative) const
    {
        QFile file(path(relative));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString() << " is missing";
        return file.readAll();
    }

    QTemporaryDir m_base;
};

TEST_P(IniVectorTest, InProcess)
{
    std::vector<QByteArray> reads;
    for (const QString &op : ops()) {
        const std::optional<IniOps::Result> result = IniOps::run(op.toLatin1(), m_base.path());
        ASSERT_TRUE(result) << "not an op line: " << op.toStdString();
        if (result->isRead)
            reads.push_back(result->value);
    }
    expectReads(reads);
    expectFinalFolder();
}

TEST_P(IniVectorTest, ThroughAdapter)
{
    QProcess adapter;
    adapter.start(INI_ADAPTER_PATH, {m_base.path()});
    ASSERT_TRUE(adapter.waitForStarted());
    adapter.write(ops().join(u'\n').toLatin1() + '\n');
    adapter.closeWriteChannel();
    ASSERT_TRUE(adapter.waitForFinished());
    EXPECT_EQ(adapter.exitCode(), 0) << adapter.readAllStandardError().toStdString();

    const QList<QByteArray> lines = adapter.readAllStandardOutput().split('\n');
    ASSERT_EQ(lines.size(), ops().size() + 1) << "one line per op, then the end";
    std::vector<QByteArray> reads;
    for (qsizetype i = 0; i < ops().size(); ++i) {
        if (ops()[i].startsWith("READ ")) {
            ASSERT_TRUE(lines[i].startsWith("READ ")) << lines[i].toStdString();
            reads.push_back(IniOps::decodeField(lines[i].sliced(5)));
        } else {
            EXPECT_EQ(lines[i], "WRITE");
        }
    }
    expectReads(reads);
    expectFinalFolder();
}

INSTANTIATE_TEST_SUITE_P(Public, IniVectorTest, testing::ValuesIn(loadVectors()), testName);

} // namespace
