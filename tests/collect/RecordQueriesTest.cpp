// The statements the collection sends, word for word: the capture component's
// operators read them in the log, and a clause lost from the selection would
// leave records out of the index without a word.
#include <gtest/gtest.h>

#include "collect/RecordQueries.h"

using namespace cs::collection;

TEST(RecordQueries, CountAndSelectWithAndWithoutWebRecords)
{
    EXPECT_EQ(RecordCountQuery("A20240301", 17, true),
              "select count(*) as total from A20240301 where auto_id >= 17 and ( private_type = 1 or private_type = 2 "
              "or private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or private_type = 7 or "
              "private_type = 8 or private_type = 15 and index3 = 1 )");
    EXPECT_EQ(RecordSelectQuery("A20240301", 17, true),
              "select auto_id, record_id, dev_id, account_id, user_crc, app_crc, group_crc, record_time, private_type "
              "from A20240301 where auto_id >= 17 and ( private_type = 1 or private_type = 2 or private_type = 10 and "
              "index3 = 1 or private_type = 12 and index3 = 1 or private_type = 7 or private_type = 8 or "
              "private_type = 15 and index3 = 1 ) order by auto_id asc");
    EXPECT_EQ(RecordCountQuery("A20240302", 0, false),
              "select count(*) as total from A20240302 where auto_id >= 0 and ( private_type = 1 and app_crc = "
              "3858868786 or private_type = 2 or private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 "
              "or private_type = 7 or private_type = 8 or private_type = 15 and index3 = 1)");
    EXPECT_EQ(RecordSelectQuery("A20240302", 4000000000u, false),
              "select auto_id, record_id, dev_id, account_id, user_crc, app_crc, group_crc, record_time, private_type "
              "from A20240302 where auto_id >= 4000000000 and ( private_type = 1 and app_crc = 3858868786 or "
              "private_type = 2 or private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or "
              "private_type = 7 or private_type = 8 or private_type = 15 and index3 = 1 ) order by auto_id asc");
}

TEST(RecordQueries, ContentRowOfEachKind)
{
    CRecordRow record;
    record.recordId = 100234;
    record.devId = 3;
    record.accountId = 0;
    const char* const key = " where record_id = 100234 and dev_id = 3 and account_id = 0";
    EXPECT_EQ(ContentQuery("U20240301", record), std::string("select auto_id, result, path from U20240301") + key);
    EXPECT_EQ(ContentQuery("P20240301", record), std::string("select auto_id, result, path from P20240301") + key);
    EXPECT_EQ(ContentQuery("M20240301", record), std::string("select auto_id, mail_path from M20240301") + key);
    EXPECT_EQ(ContentQuery("C20240301", record), std::string("select auto_id, result from C20240301") + key);
}
