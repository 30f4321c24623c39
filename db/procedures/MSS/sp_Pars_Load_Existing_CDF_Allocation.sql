-- sp_Pars_Load_Existing_CDF_Allocation: a patient's sponsor-fund (CDF) allocations, newest
-- first. The first column is the allocation's key (the view hides it), the second the sponsor.
-- Mode 1 lists every allocation; any other mode only those with money left.
-- params: HospNum, Mode
SELECT AllocationID, Sponsor, AllocationDate, AccountNum, IdNum, AllocatedFund, UtilizedFund,
       AllocatedFund - UtilizedFund AS Balance, ApprovedBy, Remarks
  FROM BILLING.tbBillCDFAllocation
 WHERE HospNum = trim(@HospNum)
   AND (CAST(@Mode AS INTEGER) = 1 OR AllocatedFund - UtilizedFund > 0)
 ORDER BY AllocationDate DESC, AllocationID DESC;
