-- sp_Adm_RoomLoad: one room with its station, type and daily rate.
-- params: RoomID
SELECT RoomID, Station, RoomType, RoomRate FROM tbRoom WHERE RoomID = trim(@RoomID);
