// "pkorvel-cli doctor" against the simulator's faults: the first explaining line
// names the likely cause, and the exit code says whether the Korvel or the chip failed.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace {

TEST(CliDoctor, EachFaultGetsItsLikelyCauseFirst) {
    QTemporaryDir config;  // an empty settings folder: the default circuit
    struct Case {
        const char* fault;
        int exitCode;
        const char* likely;  // the first line that begins "Wahrscheinlich:"
    };
    for (const Case& c : {
             Case{"", 0, nullptr},
             Case{"no-chip", 4, "kein PIC in der Fassung"},
             Case{"no-vpp", 4, "kein PIC in der Fassung"},
             Case{"clock-open", 4, "kein PIC in der Fassung"},
             Case{"stuck-low", 3, "die Datenleitung (RB7) wird auf Low gehalten"},
             Case{"stuck-high", 3, "die Datenleitung (RB7) bleibt auf High"},
             Case{"flaky:40", 4, "unsichere Verbindung"},
         }) {
        QStringList args{QStringLiteral("--simulate"), QStringLiteral("--sim-fast"),
                         QStringLiteral("doctor")};
        if (*c.fault != '\0') {
            args.prepend(QStringLiteral("--sim-fault=") + QString::fromLatin1(c.fault));
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PKORVEL_CLI), args);
        ASSERT_TRUE(p.waitForFinished(120'000)) << c.fault;
        const std::string out = p.readAllStandardOutput().toStdString();
        EXPECT_EQ(p.exitCode(), c.exitCode) << c.fault << "\n" << out;
        const auto at = out.find("Wahrscheinlich: ");
        if (c.likely == nullptr) {
            EXPECT_NE(out.find("Die Verbindung ist in Ordnung"), std::string::npos) << out;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << c.fault << "\n" << out;
        EXPECT_EQ(out.compare(at + 16, std::string(c.likely).size(), c.likely), 0)
            << c.fault << "\n"
            << out;
    }
}

}  // namespace
