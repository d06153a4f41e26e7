#pragma once
// Registers the procedures of the clinical practice: patients, consultations, physicians, schedule
// sheets, appointments, clinical listings that lower subsystems reach by name.
namespace practice {
void registerProcedures();
}
