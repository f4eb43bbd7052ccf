// The measurement log's figures and texts: the table's cells, the foot with the check errors, the
// clipboard table and the CSV file's bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/log.h"

using namespace velta::measure;

namespace {

using Cells = std::vector<std::string>;

// A reference pair of 200 px typed as 50 cm (0.25 cm/px), then two pairs measured on that scale.
Log sampleLog() {
    Log log;
    log.scale = 0.25;
    log.rows.push_back({.x1 = 10, .y1 = 10, .x2 = 210, .y2 = 10, .d = 50, .dx = 50, .dy = 0, .angle = 0,
                        .reference = true, .known = {}, .errorBar = {}});
    log.rows.push_back({.x1 = 0, .y1 = 100, .x2 = 100, .y2 = 0, .d = 35.35533905932738, .dx = 25, .dy = 25,
                        .angle = -45, .reference = false, .known = {}, .errorBar = {}});
    log.rows.push_back({.x1 = 40, .y1 = 20, .x2 = 40, .y2 = 60, .d = 10, .dx = 0, .dy = 10, .angle = 90,
                        .reference = false, .known = {}, .errorBar = {}});
    return log;
}

TEST(MeasureLog, rowsShowPixelsWholeAndFiguresWithTwoDecimals) {
    Log log = sampleLog();
    EXPECT_EQ(rowCells(log, 0, ','),
              (Cells{"1", "10", "10", "210", "10", "50,00", "50,00", "0,00", "0,00", "riferimento", "", "", ""}));
    EXPECT_EQ(rowCells(log, 1, ','),
              (Cells{"2", "0", "100", "100", "0", "35,36", "25,00", "25,00", "-45,00", "", "", "", ""}));
    EXPECT_EQ(rowCells(log, 2, '.'),
              (Cells{"3", "40", "20", "40", "60", "10.00", "0.00", "10.00", "90.00", "", "", "", ""}));
    EXPECT_TRUE(rowCells(log, 3, ',').empty());
    EXPECT_EQ(rowCells(log, 0, ',').size(), columnTitles().size());

    // Large figures keep every integer digit; a fraction of a pixel is shown as it is; a figure
    // that rounds to zero carries no minus.
    LogRow& r = log.rows[2];
    r.d = 1234567.891;
    r.dx = 98765432101.5;
    r.dy = -0.001;
    r.angle = -89.996;
    r.x1 = 12.5;
    const Cells cells = rowCells(log, 2, ',');
    EXPECT_EQ(cells[1], "12,5");
    EXPECT_EQ(cells[5], "1234567,89");
    EXPECT_EQ(cells[6], "98765432101,50");
    EXPECT_EQ(cells[7], "0,00");
    EXPECT_EQ(cells[8], "-90,00");
}

TEST(MeasureLog, checksGiveDifferencesAndTheFoot) {
    Log log = sampleLog();
    EXPECT_FALSE(log.meanError());
    EXPECT_FALSE(log.maxError());
    EXPECT_EQ(footText(log, ','), "");

    log.rows[1].known = 35;     // measured 0.36 cm long: +1.02 %
    log.rows[2].known = 10.5;   // measured 0.50 cm short: -4.76 %
    log.rows[2].errorBar = 0.0123;
    const Cells one = rowCells(log, 1, ',');
    EXPECT_EQ(Cells(one.begin() + 9, one.end()), (Cells{"35,00", "0,36", "1,02", ""}));
    const Cells two = rowCells(log, 2, ',');
    EXPECT_EQ(Cells(two.begin() + 9, two.end()), (Cells{"10,50", "-0,50", "-4,76", "\xc2\xb1 1,2 %"}));

    ASSERT_TRUE(log.meanError());
    EXPECT_NEAR(*log.meanError(), (0.35533905932738 + 0.5) / 2, 1e-12);
    EXPECT_DOUBLE_EQ(*log.maxError(), 0.5);
    EXPECT_EQ(footText(log, ','), "Errore medio: 0,43 cm   Errore massimo: 0,50 cm");

    // The warning follows on its own line; alone when nothing is checked.
    log.poorlyDetermined = true;
    EXPECT_EQ(footText(log, '.'), "Errore medio: 0.43 cm   Errore massimo: 0.50 cm\n"
                                  "Proporzioni poco determinate: mezzo pixel su una retta sposta la distanza "
                                  "principale di oltre il 5 %");
    log.rows[1].known.reset();
    log.rows[2].known.reset();
    EXPECT_EQ(footText(log, ','),
              "Proporzioni poco determinate: mezzo pixel su una retta sposta la distanza principale di oltre il 5 %");
}

TEST(MeasureLog, theClipboardTableHasTabsAndNoFoot) {
    Log log = sampleLog();
    log.rows[1].known = 35;
    const std::string titles =
        "N.\tx1\ty1\tx2\ty2\td (cm)\tdx (cm)\tdy (cm)\ta (\xc2\xb0)\tMisura nota (cm)\tDifferenza (cm)\t"
        "Differenza (%)\t\xc2\xb1 (%)\n";
    EXPECT_EQ(tableText(log, ','), titles +
                                       "1\t10\t10\t210\t10\t50,00\t50,00\t0,00\t0,00\triferimento\t\t\t\n"
                                       "2\t0\t100\t100\t0\t35,36\t25,00\t25,00\t-45,00\t35,00\t0,36\t1,02\t\n"
                                       "3\t40\t20\t40\t60\t10,00\t0,00\t10,00\t90,00\t\t\t\t\n");
    EXPECT_EQ(tableText(Log{}, ','), titles);
}

TEST(MeasureLog, csvBytesHaveTheMarkTheSeparatorsAndCrLf) {
    Log log = sampleLog();
    log.rows.resize(2);
    log.rows[1].known = 35;
    const std::string bom = "\xEF\xBB\xBF";
    const std::string titlesSemi = "N.;x1;y1;x2;y2;d (cm);dx (cm);dy (cm);a (\xc2\xb0);Misura nota (cm);"
                                   "Differenza (cm);Differenza (%);\xc2\xb1 (%)\r\n";
    EXPECT_EQ(csvText(log, ';', ','), bom + titlesSemi +
                                          "1;10;10;210;10;50,00;50,00;0,00;0,00;riferimento;;;\r\n"
                                          "2;0;100;100;0;35,36;25,00;25,00;-45,00;35,00;0,36;1,02;\r\n");
    EXPECT_EQ(csvText(log, ',', '.'),
              bom +
                  "N.,x1,y1,x2,y2,d (cm),dx (cm),dy (cm),a (\xc2\xb0),Misura nota (cm),Differenza (cm),"
                  "Differenza (%),\xc2\xb1 (%)\r\n"
                  "1,10,10,210,10,50.00,50.00,0.00,0.00,riferimento,,,\r\n"
                  "2,0,100,100,0,35.36,25.00,25.00,-45.00,35.00,0.36,1.02,\r\n");
    // A field holding the separator is quoted; whole numbers need no quotes.
    log.rows[1].x1 = 0.5;
    EXPECT_EQ(csvText(log, ',', ','),
              bom +
                  "N.,x1,y1,x2,y2,d (cm),dx (cm),dy (cm),a (\xc2\xb0),Misura nota (cm),Differenza (cm),"
                  "Differenza (%),\xc2\xb1 (%)\r\n"
                  "1,10,10,210,10,\"50,00\",\"50,00\",\"0,00\",\"0,00\",riferimento,,,\r\n"
                  "2,\"0,5\",100,100,0,\"35,36\",\"25,00\",\"25,00\",\"-45,00\",\"35,00\",\"0,36\",\"1,02\",\r\n");
}

}  // namespace
