; Saves or loads one slot: game int 26 holds its entry on the save/load screen (0 to 5 for
; slots 1 to 6), game int 25 says which (0 save, 1 load). Save and Load take the slot as a
; number written in the script, so each slot has its own call. A save remembers its slot in
; common int 6, which the title's "continue" loads; a load that works never returns here.

    LoadVar 25 0
    JumpIfTrue 0 load
    PushRef 6 12
    LoadVar 26 0
    PushConst 0 1
    Add
    Assign
    Pop
    LoadVar 26 0
    PushConst 0 0
    Compare 0
    JumpIfTrue 0 save1
    LoadVar 26 0
    PushConst 0 1
    Compare 0
    JumpIfTrue 0 save2
    LoadVar 26 0
    PushConst 0 2
    Compare 0
    JumpIfTrue 0 save3
    LoadVar 26 0
    PushConst 0 3
    Compare 0
    JumpIfTrue 0 save4
    LoadVar 26 0
    PushConst 0 4
    Compare 0
    JumpIfTrue 0 save5
    LoadVar 26 0
    PushConst 0 5
    Compare 0
    JumpIfTrue 0 save6
    Return
save1:
    call Save(1)
    Return
save2:
    call Save(2)
    Return
save3:
    call Save(3)
    Return
save4:
    call Save(4)
    Return
save5:
    call Save(5)
    Return
save6:
    call Save(6)
    Return
load:
    LoadVar 26 0
    PushConst 0 0
    Compare 0
    JumpIfTrue 0 load1
    LoadVar 26 0
    PushConst 0 1
    Compare 0
    JumpIfTrue 0 load2
    LoadVar 26 0
    PushConst 0 2
    Compare 0
    JumpIfTrue 0 load3
    LoadVar 26 0
    PushConst 0 3
    Compare 0
    JumpIfTrue 0 load4
    LoadVar 26 0
    PushConst 0 4
    Compare 0
    JumpIfTrue 0 load5
    LoadVar 26 0
    PushConst 0 5
    Compare 0
    JumpIfTrue 0 load6
    Return
load1:
    call Load(1)
    Return
load2:
    call Load(2)
    Return
load3:
    call Load(3)
    Return
load4:
    call Load(4)
    Return
load5:
    call Load(5)
    Return
load6:
    call Load(6)
    Return
